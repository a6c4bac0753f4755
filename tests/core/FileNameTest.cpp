#include <gtest/gtest.h>

#include "core/FileName.h"

namespace quillet {
namespace {

struct ExtCase {
  const char* path;
  const char* ext;
  const char* stripped;
};

class Extension : public ::testing::TestWithParam<ExtCase> {};

TEST_P(Extension, ExtractAndStripAgree) {
  const ExtCase& c = GetParam();
  EXPECT_EQ(ExtractExt(c.path), c.ext) << c.path;
  EXPECT_EQ(StripExt(c.path), c.stripped) << c.path;
}

INSTANTIATE_TEST_SUITE_P(
    Names, Extension,
    ::testing::Values(ExtCase{"C:\\logs\\app.log", "log", "C:\\logs\\app"},
                      ExtCase{"a.b.c", "c", "a.b"}, ExtCase{"name.", "", "name"},
                      ExtCase{".profile", "", ".profile"},
                      ExtCase{"dir.x\\name", "", "dir.x\\name"}, ExtCase{"C:name", "", "C:name"},
                      ExtCase{"", "", ""},
                      // The byte-wise scan stops at the 0x5C of 表 after the dot.
                      ExtCase{"C:\\logs\\app.\x95\x5C", "", "C:\\logs\\app.\x95\x5C"},
                      ExtCase{"C:\\\x95\x5C.log", "log", "C:\\\x95\x5C"}));

TEST(ChangeExt, ReplacesAddsOrDropsTheExtension) {
  EXPECT_EQ(ChangeExt("C:\\logs\\app.log", "qu$"), "C:\\logs\\app.qu$");
  EXPECT_EQ(ChangeExt("C:\\logs\\app", "inc"), "C:\\logs\\app.inc");
  EXPECT_EQ(ChangeExt("C:\\logs\\app.log", ""), "C:\\logs\\app");
  EXPECT_EQ(ChangeExt("C:\\a.b\\app", "inc"), "C:\\a.b\\app.inc");
}

TEST(AddBackslash, EndsInASingleByteBackslash) {
  EXPECT_EQ(AddBackslash(""), "\\");
  EXPECT_EQ(AddBackslash("C:\\logs"), "C:\\logs\\");
  EXPECT_EQ(AddBackslash("C:\\logs\\"), "C:\\logs\\");
  EXPECT_EQ(AddBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C\\");                  // 表
  EXPECT_EQ(AddBackslash("C:\\\x95\x5C\\"), "C:\\\x95\x5C\\");                // 表 then '\'
  EXPECT_EQ(AddBackslash("C:\\\x95\x5C\x95\x5C"), "C:\\\x95\x5C\x95\x5C\\");  // 表表
}

TEST(NamePart, TextAfterLastSeparatorOrColon) {
  EXPECT_EQ(NamePart("Z:\\var\\log\\app.log"), "app.log");
  EXPECT_EQ(NamePart("C:app.log"), "app.log");
  EXPECT_EQ(NamePart("app.log"), "app.log");
  EXPECT_EQ(NamePart("Z:\\logs\\"), "");
  // The second byte of 表 is 0x5C and does not separate.
  EXPECT_EQ(NamePart("Z:\\logs\\\x95\x5C*"), "\x95\x5C*");
}

}  // namespace
}  // namespace quillet
