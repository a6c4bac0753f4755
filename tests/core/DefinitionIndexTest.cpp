#include <gtest/gtest.h>

#include <random>

#include "core/DefinitionIndex.h"
#include "core/StrUnit.h"

namespace quillet {
namespace {

// Wild cards, escapes, lead bytes, 0x5C, NUL, few letters so that literals recur.
class Generator {
 public:
  Generator(std::uint32_t seed, TextCode code) : random_(seed), code_(code) {}

  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }

  char Byte() {
    static constexpr char kBytes[] = "abcdeA :[\\*?\x95\x82\xE0\x5C\x40\xA0\x1A";
    return Below(400) == 0 ? '\0' : kBytes[Below(sizeof kBytes - 1)];
  }

  // In UTF-8 also é, 終, 了, 表, 𠀋, and cut short, overlong, surrogate, too high.
  std::string Char() {
    static constexpr const char* kUtf8[] = {
        "\xC3\xA9", "\xE7\xB5\x82", "\xE4\xBA\x86", "\xE8\xA1\xA8",     "\xF0\xA0\x80\x8B",
        "\xE7\xB5", "\xC0\xAF",     "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98"};
    if (code_ == TextCode::kUtf8 && Below(3) == 0) return kUtf8[Below(10)];
    return std::string(1, Byte());
  }

  std::string LiteralChar() {
    const std::string piece = Char();
    return (piece == "*" || piece == "?") ? "x" : piece;
  }

  std::string Pattern() {
    std::string pattern;
    if (Below(3) != 0) pattern += '*';
    for (int piece = 1 + Below(4); piece > 0; --piece) {
      for (int k = Below(40) == 0 ? 250 + Below(20) : Below(8); k > 0; --k)
        pattern += Below(6) == 0 ? Char() : LiteralChar();
      const int end = Below(4);  // then a '*', one to three '?', a '\' or nothing
      if (end == 0) pattern += '*';
      if (end == 1) pattern.append(static_cast<std::size_t>(1 + Below(3)), '?');
      if (end == 2) pattern += '\\';
    }
    if (Below(8) == 0) pattern += '\\';
    if (pattern.empty()) pattern = "*";
    return pattern;
  }

  // A line that often matches, sometimes with one byte changed.
  std::string LineFor(const std::string& pattern) {
    std::string line = Below(3) == 0 ? Noise(4) : "";
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      const bool escape = pattern[i] == '\\' && i + 1 < pattern.size();
      line += pattern[i] == '*' ? Noise(3)
              : pattern[i] == '?'
                  ? Char()
                  : std::string(1, escape && Below(4) != 0 ? pattern[++i] : pattern[i]);
    }
    if (!line.empty() && Below(4) == 0)
      line[static_cast<std::size_t>(Below(static_cast<int>(line.size())))] = Byte();
    if (Below(3) == 0) line += Noise(4);
    return line;
  }

  std::string Noise(int max_length) {
    std::string noise;
    for (int n = Below(max_length + 1); n > 0; --n) noise += Char();
    return noise;
  }

 private:
  std::minstd_rand random_;
  TextCode code_;
};

class DefinitionIndexProperty : public ::testing::TestWithParam<TextCode> {};

TEST_P(DefinitionIndexProperty, FindsTheSameEntryAsThePlainLoopOnRandomTables) {
  const TextCode code = GetParam();
  Generator generate(20240601, code);
  for (int t = 0; t < 1500; ++t) {
    std::vector<DefinitionEntry> entries(1 + generate.Below(t % 10 == 0 ? 600 : 160));
    for (DefinitionEntry& entry : entries) entry.Pattern = generate.Pattern();
    DefinitionIndex index(entries, code);
    for (int n = 0; n < 80; ++n) {
      const std::string& source =
          entries[static_cast<std::size_t>(generate.Below(static_cast<int>(entries.size())))]
              .Pattern;
      std::string line = generate.Below(10) == 0 ? generate.Noise(40) : generate.LineFor(source);
      if (n % 4 == 0) {  // the compiled form alone, also where the index would not ask it
        ASSERT_EQ(CompiledPattern(source, code).Matches(line.substr(0, line.find('\0'))),
                  MatchPattern(line, source, code) == 0)
            << "line \"" << line << "\", pattern \"" << source << '"';
      }
      ASSERT_EQ(index.FindFirstMatch(line), FindFirstMatchPlain(entries, line, code))
          << "table " << t << ", line \"" << line << '"';
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothCodes, DefinitionIndexProperty,
                         ::testing::Values(TextCode::kShiftJis, TextCode::kUtf8),
                         [](const auto& info) {
                           return info.param == TextCode::kUtf8 ? "Utf8" : "ShiftJis";
                         });

}  // namespace
}  // namespace quillet
