#include <gtest/gtest.h>

#include <string>

#include "core/CompiledPattern.h"
#include "core/DefinitionIndex.h"
#include "core/FileName.h"
#include "core/StrUnit.h"

namespace quillet {
namespace {

#define E_ACUTE "\xC3\xA9"         // é
#define SHUU "\xE7\xB5\x82"        // 終, last byte 0x82 (a Shift-JIS lead byte)
#define RYOU "\xE4\xBA\x86"        // 了, last byte 0x86
#define HOKKE "\xF0\xA0\x80\x8B"   // 𠀋, four bytes
#define SHUU_CUT "\xE7\xB5"        // 終 cut short: two stray bytes
#define OVERLONG_SLASH "\xC0\xAF"  // never UTF-8: two stray bytes
#define SURROGATE "\xED\xA0\x80"   // never UTF-8: three stray bytes
#define HYOU "\x95\x5C"            // 表 in Shift-JIS, second byte '\'

constexpr TextCode kUtf8 = TextCode::kUtf8;

struct MatchCase {
  const char* pattern;
  const char* line;
  bool matches;
  TextCode code = TextCode::kShiftJis;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << (c.code == kUtf8 ? "UTF-8 " : "Shift-JIS ") << c.pattern << " / " << c.line;
}

class Matcher : public ::testing::TestWithParam<MatchCase> {};

// The plain matcher, the compiled pattern and the index give one answer.
TEST_P(Matcher, FollowsTheRulesOfTheCode) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(MatchPattern(c.line, c.pattern, c.code), c.matches ? 0 : 1);
  EXPECT_EQ(CompiledPattern(c.pattern, c.code).Matches(c.line), c.matches);
  const std::vector<DefinitionEntry> entries{{c.pattern, ""}};
  EXPECT_EQ(DefinitionIndex(entries, c.code).FindFirstMatch(c.line), c.matches ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Matcher,
    ::testing::Values(
        MatchCase{"abc", "abc ", false}, MatchCase{"ABC", "abc", false},
        MatchCase{"a**b", "ab", true}, MatchCase{"*?b", "ab", true}, MatchCase{"*?", "", false},
        // A run after '*' is taken at its first occurrence, never retried; あ is two bytes.
        MatchCase{"*ab", "abab", false}, MatchCase{"?", "\x82\xA0", false},
        MatchCase{"??", "\x82\xA0", true}, MatchCase{"\\?x", "?x", true},
        MatchCase{"*\\?", "ab", false}, MatchCase{"\\\\x", "\\x", true},
        MatchCase{"*\\\\*", HYOU, true}, MatchCase{"\\", "", true}, MatchCase{"ab\\", "abc", false},
        MatchCase{"*?\\", "a", false},
        // An escaped byte is single: the 0x5C after an escaped 0x95 escapes again.
        MatchCase{"\\\x95\\x", "\x95\\x", false}, MatchCase{"*\\\x95\\x", "a\x95x", true},
        MatchCase{HYOU "\\*", HYOU "x", false}, MatchCase{"*" HYOU "?", "a" HYOU "z", true},
        // The 0x86 of 了 leads in Shift-JIS, making the '\' its second byte; not in UTF-8.
        MatchCase{RYOU "\\*", RYOU "\\x", true}, MatchCase{RYOU "\\*", RYOU "*", true, kUtf8},
        MatchCase{"\x82\\*", "\x82x", false, kUtf8},
        MatchCase{SHUU_CUT "\\*", SHUU_CUT "*", true, kUtf8},
        MatchCase{E_ACUTE "\\*", E_ACUTE "x", false, kUtf8},
        MatchCase{HOKKE "\\??", HOKKE "?" E_ACUTE, true, kUtf8},
        // '?' takes one character in UTF-8, one byte in Shift-JIS.
        MatchCase{"?", SHUU, true, kUtf8}, MatchCase{"???", SHUU, false, kUtf8},
        MatchCase{"???", SHUU, true}, MatchCase{"a?c", "a" HOKKE "c", true, kUtf8},
        MatchCase{"*" SHUU "??xyzw", "[1] " SHUU RYOU "xyzw", false, kUtf8},
        MatchCase{"a?\\", "a" SHUU, true, kUtf8},
        // Stray bytes are one character each; none is skipped or swallowed.
        MatchCase{"?", "\x82", true, kUtf8}, MatchCase{"?", SHUU_CUT, false, kUtf8},
        MatchCase{"??x", SHUU_CUT "x", true, kUtf8}, MatchCase{"??", OVERLONG_SLASH, true, kUtf8},
        MatchCase{"???", SURROGATE, true, kUtf8}, MatchCase{"?", SURROGATE, false, kUtf8},
        MatchCase{"?", "\xF0\x9F\x98", false, kUtf8}));

// A line with a NUL byte (a binary log) ends there, and so does a pattern.
TEST(MatchPattern, TextsEndAtTheirFirstZeroByte) {
  using namespace std::string_literals;
  EXPECT_EQ(MatchPattern("abc\0def"s, "*def"), 1);
  EXPECT_EQ(MatchPattern("abc\0def"s, "abc?def"), 1);
  EXPECT_EQ(MatchPattern("xab", "*ab\0cd"s), 0);
}

// A 0x5C that ends 表 stops the scan for the dot but separates nothing.
TEST(FileName, PartsOfThePath) {
  const struct {
    const char *path, *ext, *stripped, *name, *backslashed;
  } cases[] = {{"C:\\logs\\app.log", "log", "C:\\logs\\app", "app.log", "C:\\logs\\app.log\\"},
               {"name.", "", "name", "name.", "name.\\"},
               {".profile", "", ".profile", ".profile", ".profile\\"},
               {"dir.x\\name", "", "dir.x\\name", "name", "dir.x\\name\\"},
               {"", "", "", "", "\\"},
               {"Z:\\logs\\", "", "Z:\\logs\\", "", "Z:\\logs\\"},
               {"C:\\a." HYOU, "", "C:\\a." HYOU, "a." HYOU, "C:\\a." HYOU "\\"},
               {"C:\\" HYOU ".log", "log", "C:\\" HYOU, HYOU ".log", "C:\\" HYOU ".log\\"},
               {"C:\\" HYOU HYOU, "", "C:\\" HYOU HYOU, HYOU HYOU, "C:\\" HYOU HYOU "\\"},
               {"C:\\" HYOU "\\", "", "C:\\" HYOU "\\", "", "C:\\" HYOU "\\"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(std::tuple(ExtractExt(c.path), ChangeExt(c.path, "qu$"), NamePart(c.path),
                         AddBackslash(c.path)),
              std::tuple(c.ext, std::string(c.stripped) + ".qu$", c.name, c.backslashed));
    EXPECT_EQ(std::pair(StripExt(c.path), ChangeExt(c.path, "")),
              std::pair(std::string(c.stripped), std::string(c.stripped)));
  }
}

}  // namespace
}  // namespace quillet
