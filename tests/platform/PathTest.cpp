#include <gtest/gtest.h>

#include "platform/NameCodec.h"
#include "platform/Path.h"

namespace quillet::platform {
namespace {

struct ToNativeCase {
  const char* windows;
  const char* native;  // nullptr: refused
};
class ToNative : public ::testing::TestWithParam<ToNativeCase> {};

TEST_P(ToNative, MapsDriveZToTheRoot) {
  const ToNativeCase& c = GetParam();
  auto native = ToNativePath(c.windows);
  if (c.native == nullptr) {
    EXPECT_FALSE(native) << c.windows;
  } else {
    EXPECT_EQ(native, std::optional<std::string>(c.native)) << c.windows;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ToNative,
    ::testing::Values(ToNativeCase{"Z:\\var\\log\\app.log", "/var/log/app.log"},
                      ToNativeCase{"z:\\", "/"}, ToNativeCase{"\\tmp\\x", "/tmp/x"},
                      ToNativeCase{"logs\\a.log", "logs/a.log"},
                      ToNativeCase{"Z:\\\x95\x5C\\a", "/\xE8\xA1\xA8/a"},  // 表 keeps its 0x5C
                      ToNativeCase{"Z:\\a\x95\x5C.log", "/a\xE8\xA1\xA8.log"},  // 表 before a dot
                      ToNativeCase{"C:\\var\\log", nullptr},
                      ToNativeCase{"\\\\server\\share\\a", nullptr},
                      ToNativeCase{"Z:\\a\x95", nullptr}));  // lead byte without its second

struct FromNativeCase {
  const char* native;
  const char* windows;  // nullptr: no Windows form
};
class FromNative : public ::testing::TestWithParam<FromNativeCase> {};

TEST_P(FromNative, GivesDriveZForm) {
  const FromNativeCase& c = GetParam();
  auto windows = FromNativePath(c.native);
  if (c.windows == nullptr) {
    EXPECT_FALSE(windows) << c.native;
  } else {
    EXPECT_EQ(windows, std::optional<std::string>(c.windows)) << c.native;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FromNative,
    ::testing::Values(FromNativeCase{"/", "Z:\\"},
                      FromNativeCase{"/var/log/app.log", "Z:\\var\\log\\app.log"},
                      FromNativeCase{"/\xE8\xA1\xA8/a", "Z:\\\x95\x5C\\a"},  // 表
                      FromNativeCase{"relative/a", nullptr},
                      FromNativeCase{"/a\\b", nullptr},              // would read back as a\b
                      FromNativeCase{"/\xC2\xA5", nullptr},          // ¥ would become 0x5C
                      FromNativeCase{"/\xE3\x80\x9C", nullptr},      // 〜 would become ～
                      FromNativeCase{"/\xF0\x9F\x98\x80", nullptr},  // emoji
                      FromNativeCase{"/\xFF", nullptr}));            // not UTF-8

}  // namespace
}  // namespace quillet::platform
