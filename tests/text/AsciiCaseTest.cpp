#include <gtest/gtest.h>

#include "text/AsciiCase.h"

namespace quillet {
namespace {

TEST(UpperAscii, OnlySingleByteLettersChange) {
  EXPECT_EQ(UpperAscii("app.Qu$"), "APP.QU$");
  EXPECT_EQ(UpperAscii("\x82\xA0z\xDB"), "\x82\xA0Z\xDB");  // あ z ﾛ
  EXPECT_EQ(UpperAscii("a\x83\x63z"), "A\x83\x63Z");        // a ツ z: ツ keeps its 0x63
}

struct CaseCompare {
  const char* a;
  const char* b;
  bool equal;
};

class EqualIgnoringAsciiCaseTable : public ::testing::TestWithParam<CaseCompare> {};

TEST_P(EqualIgnoringAsciiCaseTable, FoldsOnlySingleByteLetters) {
  const CaseCompare& c = GetParam();
  EXPECT_EQ(EqualIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
  EXPECT_EQ(EqualIgnoringAsciiCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EqualIgnoringAsciiCaseTable,
    ::testing::Values(CaseCompare{"Options", "OPTIONS", true}, CaseCompare{"", "", true},
                      CaseCompare{"SyoriH", "syorih", true}, CaseCompare{"key", "keys", false},
                      CaseCompare{"[", "{", false},                 // 0x5B and 0x7B are no letters
                      CaseCompare{"\x83\x63", "\x83\x43", false},   // ツ is not ッ (83 43)
                      CaseCompare{"\x83\x63x", "\x83\x63X", true},  // ツx, ツX
                      CaseCompare{"app.EXE", "APP.exe", true}));

TEST(UpperAsciiByte, ChangesLowerCaseLettersOnly) {
  EXPECT_EQ(UpperAsciiByte('a'), 'A');
  EXPECT_EQ(UpperAsciiByte('z'), 'Z');
  EXPECT_EQ(UpperAsciiByte('R'), 'R');
  EXPECT_EQ(UpperAsciiByte('{'), '{');
  EXPECT_EQ(UpperAsciiByte('`'), '`');
  EXPECT_TRUE(IsAsciiLetter('a') && IsAsciiLetter('Z'));
  EXPECT_FALSE(IsAsciiLetter('@') || IsAsciiLetter('[') || IsAsciiLetter('\xC1'));  // ﾁ
}

}  // namespace
}  // namespace quillet
