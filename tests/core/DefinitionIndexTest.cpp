#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/DefinitionIndex.h"
#include "core/StrUnit.h"

namespace quillet {
namespace {


std::vector<DefinitionEntry> Table(const std::vector<std::string>& patterns) {
  std::vector<DefinitionEntry> entries;
  for (const std::string& pattern : patterns) entries.push_back({pattern, ""});
  return entries;
}

// Bytes that stress the matcher's rules: wild cards, escapes, lead bytes,
// 0x5C as a second byte, blanks, a NUL now and then, and a small set of
// letters so that literals recur.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : random_(seed) {}

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

  char LiteralByte() {
    const char byte = Byte();
    return (byte == '*' || byte == '?') ? 'x' : byte;
  }

  std::string Pattern() {
    std::string pattern;
    if (Below(3) != 0) pattern += '*';  // most users skip the time stamp
    const int pieces = 1 + Below(4);
    for (int i = 0; i < pieces; ++i) {
      const int length = Below(40) == 0 ? 250 + Below(20) : Below(8);
      for (int k = 0; k < length; ++k) pattern += Below(6) == 0 ? Byte() : LiteralByte();
      switch (Below(4)) {
        case 0:
          pattern += '*';
          break;
        case 1:
          pattern.append(static_cast<std::size_t>(1 + Below(3)), '?');
          break;
        case 2:
          pattern += '\\';
          break;
        default:
          break;
      }
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
        line += Byte();
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
    for (int i = 0; i < length; ++i) noise += Byte();
    return noise;
  }

 private:
  std::minstd_rand random_;
};

// Compares the index, and each pattern's compiled form, with MatchPattern.
// Sizes keep the suite fast under the sanitizers while covering about a
// quarter of a million definitions and as many lines.
TEST(DefinitionIndex, FindsTheSameEntryAsThePlainLoopOnRandomTables) {
  constexpr int kTables = 1500;
  Generator generate(20240601);
  long compared = 0;
  long matched = 0;
  for (int t = 0; t < kTables; ++t) {
    std::vector<std::string> patterns;
    const int size = 1 + generate.Below(t % 10 == 0 ? 600 : 160);
    for (int i = 0; i < size; ++i) patterns.push_back(generate.Pattern());
    const std::vector<DefinitionEntry> entries = Table(patterns);
    DefinitionIndex index(entries);
    for (int n = 0; n < 80; ++n) {
      const std::string& source =
          patterns[static_cast<std::size_t>(generate.Below(static_cast<int>(patterns.size())))];
      std::string line = generate.Below(10) == 0 ? generate.Noise(40) : generate.LineFor(source);
      // The compiled form on its own, also where the index would not ask
      // it; on every fourth line, to keep the test's time.
      if (n % 4 == 0) {
        ASSERT_EQ(CompiledPattern(source).Matches(line.substr(0, line.find('\0'))),
                  MatchPattern(line, source) == 0)
            << "line \"" << line << "\", pattern \"" << source << '"';
      }
      const int expected = FindFirstMatchPlain(entries, line);
      ASSERT_EQ(index.FindFirstMatch(line), expected)
          << "table " << t << ", line \"" << line << "\", pattern \""
          << (expected >= 0 ? patterns[static_cast<std::size_t>(expected)] : "") << '"';
      ++compared;
      if (expected >= 0) ++matched;
    }
  }
  // The generator must produce matches often enough to test anything.
  EXPECT_GT(matched, compared / 5);
}

}  // namespace
}  // namespace quillet
