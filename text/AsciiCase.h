#pragma once

// ASCII letters in Shift-JIS byte text: tested, upper-cased and compared
// without regard to case. Only single-byte characters are letters; the
// second byte of a double-byte character may carry a letter's code (ツ is
// 83 63, 'c'), and changing it would turn one character into another.

#include <string>
#include <string_view>

namespace quillet {

// True for the bytes 'A'..'Z' and 'a'..'z' only. Not std::isalpha: a locale
// could take a lead byte for a letter.
constexpr bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The byte upper-cased when it is 'a'..'z', else unchanged. For a byte known
// to be a character of its own (an option letter, say); text goes through
// UpperAscii.
constexpr char UpperAsciiByte(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Single-byte letters 'a'..'z' upper-cased, every other byte kept.
std::string UpperAscii(std::string_view text);

// True when `a` and `b` are equal but for the case of single-byte letters.
// Compared with pure ASCII text this is the plain case-insensitive
// comparison, whatever the bytes of the other text.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace quillet
