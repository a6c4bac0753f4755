#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/DefinitionIndex.h"
#include "core/StrUnit.h"

namespace quillet {
namespace {

// Bytes that stress the matcher's rules: wild cards, escapes, lead bytes,
// 0x5C as a second byte, blanks, a NUL now and then, and a small set of
// letters so that literals recur. For UTF-8 text, characters of two, three
// and four bytes among them, and sequences cut short or malformed; the
// single bytes then stand for stray bytes, 0x95 and 0x82 as continuation
// bytes in the Shift-JIS lead range, so that a '\\' after them is a mark.
class Generator {
 public:
  Generator(std::uint32_t seed, TextCode code) : random_(seed), code_(code) {}

  // A plain modulo: its slight bias does not matter here, and it keeps the
  // generator cheap in a debug build.
  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }

  char Byte() {
    static constexpr char kBytes[] = {'a',    'b',    'c',    'd',    'e',   'A',    ' ',
                                      ':',    '[',    '\\',   '*',    '?',   '\x95', '\x82',
                                      '\xE0', '\x5C', '\x40', '\xA0', '\x1A'};
    if (Below(400) == 0) return '\0';
    return kBytes[Below(sizeof kBytes)];
  }

  // One character of the text code: a byte, or in UTF-8 now and then a
  // whole (or broken) sequence.
  std::string Char() {
    // é, 終 (last byte in the Shift-JIS lead range), 了, 表, 𠀋; 終 cut short, an
    // overlong '/', a surrogate, beyond U+10FFFF, a four-byte character cut short.
    static constexpr const char* kUtf8[] = {
        "\xC3\xA9", "\xE7\xB5\x82", "\xE4\xBA\x86", "\xE8\xA1\xA8",     "\xF0\xA0\x80\x8B",
        "\xE7\xB5", "\xC0\xAF",     "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98"};
    if (code_ == TextCode::kUtf8 && Below(3) == 0)
      return kUtf8[Below(sizeof kUtf8 / sizeof *kUtf8)];
    return std::string(1, Byte());
  }

  std::string LiteralChar() {
    const std::string piece = Char();
    return (piece == "*" || piece == "?") ? "x" : piece;
  }

  std::string Pattern() {
    std::string pattern;
    if (Below(3) != 0) pattern += '*';  // most users skip the time stamp
    const int pieces = 1 + Below(4);
    for (int i = 0; i < pieces; ++i) {
      const int length = Below(40) == 0 ? 250 + Below(20) : Below(8);
      for (int k = 0; k < length; ++k) pattern += Below(6) == 0 ? Char() : LiteralChar();
      const int end = Below(4);  // then a '*', one to three '?', a '\' or nothing
      if (end == 0) pattern += '*';
      if (end == 1) pattern.append(static_cast<std::size_t>(1 + Below(3)), '?');
      if (end == 2) pattern += '\\';
    }
    if (Below(8) == 0) pattern += '\\';  // a lone backslash at the end
    if (pattern.empty()) pattern = "*";
    return pattern;
  }

  // A line that often matches `pattern`: each wild card filled with a few
  // bytes, each escape resolved, then sometimes one byte changed.
  std::string LineFor(const std::string& pattern) {
    std::string line = Below(3) == 0 ? Noise(4) : "";
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      const char byte = pattern[i];
      if (byte == '*') {
        line += Noise(3);
      } else if (byte == '?') {
        line += Char();
      } else if (byte == '\\' && i + 1 < pattern.size() && Below(4) != 0) {
        line += pattern[++i];
      } else {
        line += byte;
      }
    }
    if (!line.empty() && Below(4) == 0)
      line[static_cast<std::size_t>(Below(static_cast<int>(line.size())))] = Byte();
    if (Below(3) == 0) line += Noise(4);
    return line;
  }

  std::string Noise(int max_length) {
    std::string noise;
    const int length = Below(max_length + 1);
    for (int i = 0; i < length; ++i) noise += Char();
    return noise;
  }

 private:
  std::minstd_rand random_;
  TextCode code_;
};

// Compares the index, and each pattern's compiled form, with MatchPattern,
// in each text code. Sizes keep the suite fast under the sanitizers while
// covering about a quarter of a million definitions and as many lines.
class DefinitionIndexProperty : public ::testing::TestWithParam<TextCode> {};

TEST_P(DefinitionIndexProperty, FindsTheSameEntryAsThePlainLoopOnRandomTables) {
  constexpr int kTables = 1500;
  const TextCode code = GetParam();
  Generator generate(20240601, code);
  long compared = 0;
  long matched = 0;
  for (int t = 0; t < kTables; ++t) {
    std::vector<DefinitionEntry> entries(1 + generate.Below(t % 10 == 0 ? 600 : 160));
    for (DefinitionEntry& entry : entries) entry.Pattern = generate.Pattern();
    DefinitionIndex index(entries, code);
    for (int n = 0; n < 80; ++n) {
      const std::string& source =
          entries[static_cast<std::size_t>(generate.Below(static_cast<int>(entries.size())))]
              .Pattern;
      std::string line = generate.Below(10) == 0 ? generate.Noise(40) : generate.LineFor(source);
      // The compiled form on its own, also where the index would not ask
      // it; on every fourth line, to keep the test's time.
      if (n % 4 == 0) {
        ASSERT_EQ(CompiledPattern(source, code).Matches(line.substr(0, line.find('\0'))),
                  MatchPattern(line, source, code) == 0)
            << "line \"" << line << "\", pattern \"" << source << '"';
      }
      const int expected = FindFirstMatchPlain(entries, line, code);
      ASSERT_EQ(index.FindFirstMatch(line), expected)
          << "table " << t << ", line \"" << line << "\", pattern \""
          << (expected >= 0 ? entries[static_cast<std::size_t>(expected)].Pattern : "") << '"';
      ++compared;
      if (expected >= 0) ++matched;
    }
  }
  // The generator must produce matches often enough to test anything.
  EXPECT_GT(matched, compared / 5);
}

INSTANTIATE_TEST_SUITE_P(BothCodes, DefinitionIndexProperty,
                         ::testing::Values(TextCode::kShiftJis, TextCode::kUtf8),
                         [](const auto& info) {
                           return info.param == TextCode::kUtf8 ? "Utf8" : "ShiftJis";
                         });

}  // namespace
}  // namespace quillet
