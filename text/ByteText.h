#pragma once

// Blanks and the end-of-text mark in byte text, Shift-JIS or UTF-8 alike.

#include <string_view>

namespace quillet {

// Ctrl-Z, the old end-of-text mark: a text ends at its first Ctrl-Z.
constexpr char kCtrlZ = '\x1A';

// A blank: a byte of value 0x20 or less (space, tab, control characters).
// A second byte of a double-byte character is never below 0x40, and no byte
// of a multi-byte UTF-8 character below 0x80, so trimming blanks never cuts
// a character apart in either text code.
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
