#include <gtest/gtest.h>

#include <string>

#include "core/StrUnit.h"

namespace quillet {
namespace {

struct MatchCase {
  const char* pattern;
  const char* line;
  bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << '"' << c.pattern << "\" / \"" << c.line << '"';
}

class MatchPatternTable : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchPatternTable, FollowsTheRules) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(MatchPattern(c.line, c.pattern), c.matches ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, MatchPatternTable,
    ::testing::Values(
        MatchCase{"abc", "abc", true}, MatchCase{"abc", "abcd", false},
        MatchCase{"abc", "ab", false}, MatchCase{"abc", "abc ", false}, MatchCase{"abc", "", false},
        MatchCase{"ABC", "abc", false}, MatchCase{"abc*", "abc", true},
        MatchCase{"abc*", "abcdef", true}, MatchCase{"*abc", "xxabc", true},
        MatchCase{"*ab", "abab", false},  // the first "ab" is taken, then the line goes on
        MatchCase{"*ab*", "abab", true}, MatchCase{"a*b", "axxb", true},
        MatchCase{"a*b", "abxb", false}, MatchCase{"a**b", "ab", true},
        MatchCase{"a?c", "abc", true}, MatchCase{"a?c", "ac", false},
        MatchCase{"*a?c", "xabc", true},
        MatchCase{"*a?c", "xaxabc", false},  // first "a", '?' takes "x", no "c"
        MatchCase{"*?b", "ab", true}, MatchCase{"*", "", true}, MatchCase{"*?", "", false},
        MatchCase{"?", "\x82\xA0", false},                 // あ
        MatchCase{"??", "\x82\xA0", true},                 // あ
        MatchCase{"\x95\x5C*", "\x95\x5C\x8E\xA6", true},  // 表* / 表示
        MatchCase{"*\x95\x5C", "xx\x95\x5C", true},        // *表 / xx表
        MatchCase{"\\*x", "*x", true}, MatchCase{"\\*x", "ax", false},
        MatchCase{"\\?x", "?x", true}, MatchCase{"\\?x", "ax", false},
        MatchCase{"*\\?", "a?", true}, MatchCase{"*\\?", "ab", false},
        MatchCase{"\\\\x", "\\x", true}, MatchCase{"\\x", "x", true},
        MatchCase{"*\\\\*", "\x95\x5C", true},  // escaped '\' found as the second byte of 表
        MatchCase{"*\\*", "a*b", false}));

INSTANTIATE_TEST_SUITE_P(
    LoneBackslashAndEscapeState, MatchPatternTable,
    ::testing::Values(MatchCase{"\\", "", true}, MatchCase{"\\", "x", false},
                      MatchCase{"ab\\", "ab", true}, MatchCase{"ab\\", "abc", false},
                      MatchCase{"a?\\", "ab", true},  // before any '*' it stands for nothing
                      MatchCase{"a*b\\", "ab", true}, MatchCase{"a*b\\", "axb", true},
                      MatchCase{"a*b\\", "axbc", false}, MatchCase{"a*\\", "a", false},
                      MatchCase{"a*\\", "ab", false}, MatchCase{"*?\\", "ab", false},
                      MatchCase{"*?\\", "a", false},
                      // The escaped byte counts as single: the 0x5C after an escaped 0x95
                      // is an escape again, not the second byte of 表.
                      MatchCase{"\\\x95\\x", "\x95x", true},
                      MatchCase{"\\\x95\\x", "\x95\\x", false},
                      MatchCase{"*\\\x95\\x", "a\x95x", true},
                      MatchCase{"\x95\x5C\\*", "\x95\x5C*", true},    // 表\* / 表*
                      MatchCase{"\x95\x5C\\*", "\x95\x5Cx", false},   // 表\* / 表x
                      MatchCase{"*\x95\x5C?", "a\x95\x5Cz", true}));  // *表? / a表z

TEST(MatchPattern, BothTextsEndAtTheirFirstZeroByte) {
  using namespace std::string_literals;
  EXPECT_EQ(MatchPattern("abc\0def"s, "abc"), 0);
  EXPECT_EQ(MatchPattern("abc\0def"s, "abc*"), 0);
  EXPECT_EQ(MatchPattern("abc\0def"s, "*def"), 1);
  EXPECT_EQ(MatchPattern("abc\0def"s, "abc?def"), 1);
  EXPECT_EQ(MatchPattern("ab", "ab\0cd"s), 0);
  EXPECT_EQ(MatchPattern("xab", "*ab\0cd"s), 0);
}

TEST(MatchPattern, LiteralRunsOf255BytesAndLongerAreComparedWhole) {
  const std::string r255(255, 'r');
  EXPECT_EQ(MatchPattern("zz" + r255, "*" + r255), 0);
  EXPECT_EQ(MatchPattern("zz" + r255 + "!", "*" + r255), 1);
  EXPECT_EQ(MatchPattern(r255.substr(1), "*" + r255), 1);
  const std::string run(300, 'a');
  // The first 255 bytes occur early, the whole run only after the '#'.
  EXPECT_EQ(MatchPattern(std::string(255, 'a') + "#" + run, "*" + run), 0);
  EXPECT_EQ(MatchPattern(std::string(299, 'a') + "#", "*" + run), 1);
  EXPECT_EQ(MatchPattern(std::string(301, 'a') + "b", "*" + run + "b"), 0);
  EXPECT_EQ(MatchPattern("ab" + run, "a?" + run), 0);
  EXPECT_EQ(MatchPattern("ab" + run.substr(1) + "z", "a?" + run), 1);

  std::string escaped;
  for (int i = 0; i < 300; ++i) escaped += "\\?";
  EXPECT_EQ(MatchPattern("x" + std::string(300, '?'), "*" + escaped), 0);
  EXPECT_EQ(MatchPattern("x" + std::string(299, '?') + "y", "*" + escaped), 1);

  // 表 straddles the buffer's end: its 0x5C stays a second byte, so the
  // '?' after it is a wild-card.
  const std::string pattern = "*" + std::string(254, 'x') + "\x95\x5C?";
  EXPECT_EQ(MatchPattern(std::string(254, 'x') + "\x95\x5CQ", pattern), 0);
}

}  // namespace
}  // namespace quillet
