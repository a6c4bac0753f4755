#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/AsciiCase.h"
#include "text/ByteState.h"
#include "text/Separators.h"

namespace quillet {
namespace {

bool RefLead(unsigned char b) { return (0x81 <= b && b <= 0x9F) || (0xE0 <= b && b <= 0xFC); }
bool RefLetter(unsigned char b) { return ('a' <= b && b <= 'z') || ('A' <= b && b <= 'Z'); }

// The Shift-JIS text rules against a small reference model, on random texts
// of bytes at the edges of the lead-byte ranges, letters and marks, and
// second bytes that look like '\' or a letter.
TEST(TextRules, RandomTextsFollowTheReference) {
  using enum ByteState;
  constexpr std::size_t kNone = std::string_view::npos;
  const std::string alphabet =
      "aAzZ@[`{\\:.\x80\x81\x9F\xA0\xB1\xDF\xE0\xFC\xFD\xFF\x95\x5C\x83\x63\x43";
  std::mt19937 rng(15);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (std::size_t n = rng() % 9; n > 0; --n) text += alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(::testing::PrintToString(text));
    const std::size_t size = text.size();
    std::vector<ByteState> states;  // of each byte, read from the start
    for (unsigned char b : text)
      states.push_back(!states.empty() && states.back() == kLead ? kSecond
                       : RefLead(b)                              ? kLead
                                                                 : kSingle);
    auto single = [&](std::size_t i) { return states[i] == kSingle; };
    auto mark = [&](std::size_t i) { return single(i) && (text[i] == '\\' || text[i] == ':'); };
    EXPECT_EQ(LastByteState(text), size == 0 ? kSingle : states.back());
    for (std::size_t max = 0; max <= size + 1; ++max) {
      std::size_t prefix = std::min(max, size);
      if (prefix > 0 && states[prefix - 1] == kLead) --prefix;
      EXPECT_EQ(WholeCharactersPrefix(text, max), prefix) << max;
    }
    std::size_t last = kNone;
    std::string upper = text;
    for (std::size_t i = 0; i < size; ++i) {
      if (states[i] != kSecond) {
        EXPECT_EQ(CharLengthAt(text, i), states[i] == kLead && i + 1 < size ? 2u : 1u);
        // A search from the start of any character finds the next single mark.
        std::size_t first = i;
        while (first < size && !mark(first)) ++first;
        EXPECT_EQ(FindFirstSingleByte(text, "\\:", i), first < size ? first : kNone) << i;
      }
      if (mark(i)) last = i;
      if (single(i) && 'a' <= text[i] && text[i] <= 'z') upper[i] = static_cast<char>(text[i] - 32);
    }
    EXPECT_EQ(FindLastSingleByte(text, "\\:"), last);
    EXPECT_EQ(EndsWithSingleByte(text, "\\:"), size > 0 && last == size - 1);
    EXPECT_EQ(UpperAscii(text), upper);
    // Flipping the case of a single-byte letter keeps the texts equal; any
    // other flipped byte (a second byte 'c' made 'C' among them) does not.
    std::string other = text;
    const std::size_t at = size == 0 ? 0 : rng() % size;
    if (size > 0) other[at] = static_cast<char>(other[at] ^ 0x20);
    const bool equal = size == 0 || (single(at) && RefLetter(text[at]));
    EXPECT_EQ(EqualIgnoringAsciiCase(text, other), equal);
    EXPECT_EQ(EqualIgnoringAsciiCase(other, text), equal);
    EXPECT_FALSE(EqualIgnoringAsciiCase(text, text + "a"));
  }
}

}  // namespace
}  // namespace quillet
