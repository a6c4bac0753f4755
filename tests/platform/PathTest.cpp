#include <gtest/gtest.h>

#include "platform/NameCodec.h"
#include "platform/Path.h"

namespace quillet::platform {
namespace {

// A Windows path and its native form; nullptr on one side: that side's
// conversion is refused. Rows marked one-way are only converted forward.
struct PathCase {
  const char* windows;
  const char* native;
  bool both_ways = true;
};
class PathTable : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathTable, MapsDriveZToTheRoot) {
  const PathCase& c = GetParam();
  auto maybe = [](const char* text) {
    return text ? std::optional<std::string>(text) : std::optional<std::string>();
  };
  if (c.windows) {
    EXPECT_EQ(ToNativePath(c.windows), maybe(c.native)) << c.windows;
  }
  if (c.native && c.both_ways) {
    EXPECT_EQ(FromNativePath(c.native), maybe(c.windows)) << c.native;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathTable,
    ::testing::Values(PathCase{"Z:\\var\\log\\app.log", "/var/log/app.log"}, PathCase{"Z:\\", "/"},
                      PathCase{"z:\\", "/", false}, PathCase{"Z:", ".", false},
                      PathCase{"\\tmp\\x", "/tmp/x", false},
                      PathCase{"logs\\a.log", "logs/a.log", false}, PathCase{nullptr, "relative/a"},
                      PathCase{"Z:\\\x95\x5C\\a", "/\xE8\xA1\xA8/a"},       // 表 keeps its 0x5C
                      PathCase{"Z:\\a\x95\x5C.log", "/a\xE8\xA1\xA8.log"},  // 表 before a dot
                      PathCase{"C:\\var\\log", nullptr}, PathCase{"\\\\server\\share\\a", nullptr},
                      PathCase{"Z:\\a\x95", nullptr},          // lead byte without its second
                      PathCase{nullptr, "/a\\b"},              // would read back as a\b
                      PathCase{nullptr, "/\xC2\xA5"},          // ¥ would become 0x5C
                      PathCase{nullptr, "/\xE3\x80\x9C"},      // 〜 would become ～
                      PathCase{nullptr, "/\xF0\x9F\x98\x80"},  // emoji
                      PathCase{nullptr, "/\xFF"}));            // not UTF-8

}  // namespace
}  // namespace quillet::platform
