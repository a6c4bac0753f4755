#pragma once

// Small helpers on Shift-JIS byte text.

#include <string_view>

namespace quillet {

// The text without its leading and trailing bytes of value 0x20 or less
// (blanks and control characters). A second byte of a double-byte character
// is never below 0x40, so no character is cut apart.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

}  // namespace quillet
