#pragma once

// Blanks and the end-of-text mark in Shift-JIS byte text.

#include <string_view>

namespace quillet {

// Ctrl-Z, the old end-of-text mark: a text ends at its first Ctrl-Z.
constexpr char kCtrlZ = '\x1A';

// A blank: a byte of value 0x20 or less (space, tab, control characters).
// A second byte of a double-byte character is never below 0x40, so trimming
// blanks never cuts a character apart.
constexpr bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The text without its trailing blanks.
constexpr std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && IsBlankByte(text.back())) text.remove_suffix(1);
  return text;
}

// The text without its leading and trailing blanks.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankByte(text.front())) text.remove_prefix(1);
  return TrimTrailingBlanks(text);
}

}  // namespace quillet
