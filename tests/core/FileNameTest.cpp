#include <gtest/gtest.h>

#include <string>

#include "core/FileName.h"

namespace quillet {
namespace {

#define HYOU "\x95\x5C"  // 表 in Shift-JIS: its second byte is '\'

struct NameCase {
  const char* path;
  const char* ext;
  const char* stripped;
  const char* name;
  const char* backslashed;
};

class FileName : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileName, PartsOfThePath) {
  const NameCase& c = GetParam();
  EXPECT_EQ(ExtractExt(c.path), c.ext);
  EXPECT_EQ(StripExt(c.path), c.stripped);
  EXPECT_EQ(ChangeExt(c.path, "qu$"), std::string(c.stripped) + ".qu$");
  EXPECT_EQ(ChangeExt(c.path, ""), c.stripped);
  EXPECT_EQ(NamePart(c.path), c.name);
  EXPECT_EQ(AddBackslash(c.path), c.backslashed);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileName,
    ::testing::Values(
        NameCase{"C:\\logs\\app.log", "log", "C:\\logs\\app", "app.log", "C:\\logs\\app.log\\"},
        NameCase{"a.b.c", "c", "a.b", "a.b.c", "a.b.c\\"},
        NameCase{"name.", "", "name", "name.", "name.\\"},
        NameCase{".profile", "", ".profile", ".profile", ".profile\\"},
        NameCase{"dir.x\\name", "", "dir.x\\name", "name", "dir.x\\name\\"},
        NameCase{"C:name", "", "C:name", "name", "C:name\\"}, NameCase{"", "", "", "", "\\"},
        NameCase{"Z:\\logs\\", "", "Z:\\logs\\", "", "Z:\\logs\\"},
        // The second byte of 表 is 0x5C: it ends the byte-wise
        // scan for the dot but is no separator and no final '\'.
        NameCase{"C:\\a." HYOU, "", "C:\\a." HYOU, "a." HYOU, "C:\\a." HYOU "\\"},
        NameCase{"C:\\" HYOU ".log", "log", "C:\\" HYOU, HYOU ".log", "C:\\" HYOU ".log\\"},
        NameCase{"Z:\\" HYOU "*", "", "Z:\\" HYOU "*", HYOU "*", "Z:\\" HYOU "*\\"},
        NameCase{"C:\\" HYOU HYOU, "", "C:\\" HYOU HYOU, HYOU HYOU, "C:\\" HYOU HYOU "\\"},
        NameCase{"C:\\" HYOU "\\", "", "C:\\" HYOU "\\", "", "C:\\" HYOU "\\"}));

}  // namespace
}  // namespace quillet
