// The Shift-JIS text rules against a small reference model, on random texts
// made of bytes at the edges of the lead-byte ranges, letters and marks, and
// second bytes that look like '\' or a letter.

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

constexpr std::size_t kNone = std::string_view::npos;

bool RefLead(unsigned char b) { return (0x81 <= b && b <= 0x9F) || (0xE0 <= b && b <= 0xFC); }
bool RefLetter(unsigned char b) { return ('a' <= b && b <= 'z') || ('A' <= b && b <= 'Z'); }
char RefUpper(char c) { return 'a' <= c && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The state of each byte, read from the start of the text.
std::vector<ByteState> RefStates(std::string_view text) {
  std::vector<ByteState> states;
  for (unsigned char b : text) {
    const bool second = !states.empty() && states.back() == ByteState::kLead;
    states.push_back(second       ? ByteState::kSecond
                     : RefLead(b) ? ByteState::kLead
                                  : ByteState::kSingle);
  }
  return states;
}

bool SingleMark(std::string_view text, const std::vector<ByteState>& states, std::size_t i) {
  return states[i] == ByteState::kSingle && (text[i] == '\\' || text[i] == ':');
}

TEST(TextRules, RandomTextsFollowTheReference) {
  const std::string alphabet =
      "aAzZ@[`{\\:.\x80\x81\x9F\xA0\xB1\xDF\xE0\xFC\xFD\xFF\x95\x5C\x83\x63\x43";
  std::mt19937 rng(15);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (std::size_t n = rng() % 9; n > 0; --n) text += alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(::testing::PrintToString(text));
    const std::vector<ByteState> states = RefStates(text);
    const std::size_t size = text.size();
    EXPECT_EQ(LastByteState(text), size == 0 ? ByteState::kSingle : states.back());
    for (std::size_t max = 0; max <= size + 1; ++max) {
      std::size_t prefix = std::min(max, size);
      if (prefix > 0 && states[prefix - 1] == ByteState::kLead) --prefix;
      EXPECT_EQ(WholeCharactersPrefix(text, max), prefix) << max;
    }
    std::size_t last = kNone;
    std::string upper = text;
    for (std::size_t i = 0; i < size; ++i) {
      if (states[i] != ByteState::kSecond) {
        const std::size_t length = states[i] == ByteState::kLead && i + 1 < size ? 2 : 1;
        EXPECT_EQ(CharLengthAt(text, i), length) << i;
        // A search from the start of any character finds the next single mark.
        std::size_t first = i;
        while (first < size && !SingleMark(text, states, first)) ++first;
        EXPECT_EQ(FindFirstSingleByte(text, "\\:", i), first < size ? first : kNone) << i;
      }
      if (SingleMark(text, states, i)) last = i;
      if (states[i] == ByteState::kSingle) upper[i] = RefUpper(text[i]);
    }
    EXPECT_EQ(FindLastSingleByte(text, "\\:"), last);
    EXPECT_EQ(EndsWithSingleByte(text, "\\:"), size > 0 && last == size - 1);
    EXPECT_EQ(UpperAscii(text), upper);
    // Flipping the case of a single-byte letter keeps the texts equal; any
    // other flipped byte (a second byte 'c' made 'C' among them) does not.
    std::string other = text;
    const std::size_t at = size == 0 ? 0 : rng() % size;
    if (size > 0) other[at] = static_cast<char>(other[at] ^ 0x20);
    const bool equal = size == 0 || (states[at] == ByteState::kSingle && RefLetter(text[at]));
    EXPECT_EQ(EqualIgnoringAsciiCase(text, other), equal);
    EXPECT_EQ(EqualIgnoringAsciiCase(other, text), equal);
    EXPECT_FALSE(EqualIgnoringAsciiCase(text, text + "a"));
  }
}

}  // namespace
}  // namespace quillet
