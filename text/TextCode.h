#pragma once

// The text code of log lines and definitions: Shift-JIS (code page 932) or
// UTF-8. It decides what a character is: how many bytes it spans and
// whether a byte such as '\' is a character of its own. Names on disk and
// the system's own texts are Shift-JIS whatever the setting.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillet {

enum class TextCode : std::uint8_t { kShiftJis, kUtf8 };

// The length in bytes (2 to 4) of the well-formed UTF-8 character that
// starts at `pos`, or 1 when the byte there starts none: a byte below 0x80,
// a stray continuation byte, a lead byte whose sequence is cut short or
// broken, an overlong form, a surrogate or a value beyond U+10FFFF. Each
// byte that is no part of a well-formed character thus counts as a
// character of its own, and no byte is ever skipped or taken twice.
constexpr std::size_t Utf8CharLengthAt(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
  const auto continues = [&](std::size_t k) { return (byte(k) & 0xC0) == 0x80; };
  const unsigned char lead = byte(0);
  if (lead < 0xC2 || lead > 0xF4) return 1;
  const std::size_t left = text.size() - pos;
  if (lead < 0xE0) return left >= 2 && continues(1) ? 2 : 1;
  // The second byte's range excludes overlong forms, surrogates and values
  // beyond U+10FFFF.
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  const std::size_t length = lead < 0xF0 ? 3 : 4;
  if (left < length || byte(1) < low || byte(1) > high || !continues(2)) return 1;
  return length == 3 || continues(3) ? length : 1;
}

}  // namespace quillet
