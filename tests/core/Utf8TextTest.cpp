#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/DefinitionIndex.h"
#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "core/StrUnit.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

// UTF-8 bytes of the characters used below.
#define E_ACUTE "\xC3\xA9"         // é
#define SHUU "\xE7\xB5\x82"        // 終, last byte 0x82 (a Shift-JIS lead byte)
#define RYOU "\xE4\xBA\x86"        // 了, last byte 0x86
#define HOKKE "\xF0\xA0\x80\x8B"   // 𠀋, four bytes
#define SHUU_CUT "\xE7\xB5"        // 終 cut short: two stray bytes
#define OVERLONG_SLASH "\xC0\xAF"  // never UTF-8: two stray bytes
#define SURROGATE "\xED\xA0\x80"   // never UTF-8: three stray bytes

struct MatchCase {
  const char* pattern;
  const char* line;
  TextCode code;
  bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << (c.code == TextCode::kUtf8 ? "UTF-8 " : "Shift-JIS ") << c.pattern << " / " << c.line;
}

class TextCodeMatch : public ::testing::TestWithParam<MatchCase> {};

// The plain matcher, the compiled pattern and the index give one answer.
TEST_P(TextCodeMatch, FollowsTheCharactersOfTheCode) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(MatchPattern(c.line, c.pattern, c.code) == 0, c.matches);
  EXPECT_EQ(CompiledPattern(c.pattern, c.code).Matches(c.line), c.matches);
  const std::vector<DefinitionEntry> entries{{c.pattern, ""}};
  DefinitionIndex index(entries, c.code);
  EXPECT_EQ(index.FindFirstMatch(c.line), c.matches ? 0 : -1);
}

constexpr TextCode kUtf8 = TextCode::kUtf8;
constexpr TextCode kSjis = TextCode::kShiftJis;

INSTANTIATE_TEST_SUITE_P(
    Cases, TextCodeMatch,
    ::testing::Values(
        // '?' takes one character, anchored and after '*'.
        MatchCase{"?", SHUU, kUtf8, true}, MatchCase{"???", SHUU, kUtf8, false},
        MatchCase{"???", SHUU, kSjis, true},  // three bytes, as ever
        MatchCase{"a?c", "a" E_ACUTE "c", kUtf8, true},
        MatchCase{"a?c", "a" HOKKE "c", kUtf8, true},
        MatchCase{"*" SHUU "?xyzw", "[1] " SHUU RYOU "xyzw", kUtf8, true},
        MatchCase{"*" SHUU "??xyzw", "[1] " SHUU RYOU "xyzw", kUtf8, false},
        MatchCase{"?" RYOU "*", SHUU RYOU " done", kUtf8, true},
        MatchCase{"a?\\", "a" SHUU, kUtf8, true},  // a lone final '\' stands for nothing
        // '\' escapes after sequences of every length, and after stray bytes:
        // a last byte in 0x81..0x9F leads nothing in UTF-8.
        MatchCase{"a\\*", "a*", kUtf8, true}, MatchCase{"a\\*", "ab", kUtf8, false},
        MatchCase{E_ACUTE "\\*", E_ACUTE "*", kUtf8, true},
        MatchCase{E_ACUTE "\\*", E_ACUTE "x", kUtf8, false},
        MatchCase{RYOU "\\*", RYOU "*", kUtf8, true}, MatchCase{RYOU "\\*", RYOU "x", kUtf8, false},
        MatchCase{"*" SHUU "\\?", "x" SHUU "?", kUtf8, true},
        MatchCase{"*" SHUU "\\?", "x" SHUU "y", kUtf8, false},
        MatchCase{HOKKE "\\??", HOKKE "?" E_ACUTE, kUtf8, true},
        MatchCase{"\x82\\*", "\x82*", kUtf8, true}, MatchCase{"\x82\\*", "\x82x", kUtf8, false},
        MatchCase{SHUU_CUT "\\*", SHUU_CUT "*", kUtf8, true},
        MatchCase{"\\" SHUU "*", SHUU "!", kUtf8, true},
        // In Shift-JIS the 0x86 of 了 leads, and the '\' after it is its
        // second byte.
        MatchCase{RYOU "\\*", RYOU "\\x", kSjis, true},
        MatchCase{RYOU "\\*", RYOU "x", kSjis, false},
        // Stray bytes are one character each; none is skipped or swallowed.
        MatchCase{"?", "\x82", kUtf8, true}, MatchCase{"?", SHUU_CUT, kUtf8, false},
        MatchCase{"??", SHUU_CUT, kUtf8, true}, MatchCase{"??x", SHUU_CUT "x", kUtf8, true},
        MatchCase{"??", OVERLONG_SLASH, kUtf8, true}, MatchCase{"???", SURROGATE, kUtf8, true},
        MatchCase{"?", SURROGATE, kUtf8, false}, MatchCase{"*?x", "ab" SHUU_CUT "x", kUtf8, true},
        MatchCase{"??", SHUU "\x82", kUtf8, true}, MatchCase{"?", "\xF0\x9F\x98", kUtf8, false}));

// The issue's own example: a definition saved in UTF-8 by vim whose
// replacement marker follows 了, on a log with LF and CR LF lines.
TEST(Utf8Text, ReplacementMarkerAfterAKanjiSplitsAndMatches) {
  testing::ScratchDir dir;
  Globals g;
  g.options.Skip = false;
  testing::StatusRecorder status;
  Engine engine{g, platform::PosixFileSystem(), status, dir.Windows("prog") + "\\"};
  bool told = false;
  engine.on_utf8_definitions = [&told](std::string_view) { told = true; };
  testing::WriteFile(dir.Native("logs/Quillet.def"),
                     "*" SHUU RYOU "\\r[" SHUU RYOU "]\n?" E_ACUTE "??\\\\*\\r\n");
  const std::string log =
      "10:00 job " SHUU RYOU "\n" HOKKE E_ACUTE SHUU_CUT "\\x\r\nkeep " RYOU "\n";

  for (const TextCode code : {TextCode::kUtf8, TextCode::kShiftJis}) {
    g.options.Code = code;
    g.definitions.LoadedFrom.clear();
    testing::WriteFile(dir.Native("logs/app.log"), log);
    ASSERT_EQ(LoadDefinitions(engine, dir.Windows("logs") + "\\"), 0);
    std::int64_t before = 0;
    std::int64_t after = 0;
    ASSERT_EQ(ProcessFile(engine, dir.Windows("logs/app.log"), before, after), frDone);
    if (code == TextCode::kUtf8) {
      EXPECT_EQ(testing::ReadFile(dir.Native("logs/app.log")), "[" SHUU RYOU "]\nkeep " RYOU "\n");
      EXPECT_FALSE(told);  // UTF-8 definitions are right for a UTF-8 run
    } else {
      // Byte rules: the marker is swallowed and '?' is one byte.
      EXPECT_EQ(testing::ReadFile(dir.Native("logs/app.log")), log);
      EXPECT_TRUE(told);
    }
  }
}

}  // namespace
}  // namespace quillet
