#pragma once

// The Shift-JIS double-byte rule: which bytes lead a two-byte character, the
// state of each byte of a text scanned from its start, and the characters
// that follow from it; with a TextCode, the marks of either code. Every
// other layer asks here rather than scanning by itself: the second byte of a
// character may be any byte from 0x40 up, '\' (表 is 95 5C) and ASCII
// letters (ツ is 83 63) among them.

#include <cstddef>
#include <string_view>

#include "text/TextCode.h"

namespace quillet {

// True for 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Classification of one byte of a text scanned from its first byte.
enum class ByteState { kSingle = 0, kLead = 1, kSecond = 2 };

// The state of the next byte, given the state of the previous one: after a
// lead byte comes a second byte, whatever its value; otherwise the byte is a
// lead byte when IsLeadByte says so, else single. Never validated.
constexpr ByteState NextByteState(ByteState previous, unsigned char byte) {
  if (previous == ByteState::kLead) return ByteState::kSecond;
  return IsLeadByte(byte) ? ByteState::kLead : ByteState::kSingle;
}

// The length in bytes (1 or 2) of the character that starts at `pos`, which
// must be the start of a character: 2 for a lead byte with a byte after it,
// 1 otherwise (a lead byte cut off at the end of the text stands alone).
constexpr std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// The state of the next byte as a scanner for ASCII marks ('\', '*', ':')
// needs it, by the rules of `code`. Shift-JIS: as NextByteState above. UTF-8:
// kSingle always, since no byte below 0x80 is ever part of a longer character
// and no mark is 0x80 or above. The length of a UTF-8 character depends on
// the bytes after it: Utf8CharLengthAt in text/TextCode.h.
constexpr ByteState NextByteState(TextCode code, ByteState previous, unsigned char byte) {
  return code == TextCode::kUtf8 ? ByteState::kSingle : NextByteState(previous, byte);
}

// The state of the last byte of `text`; kSingle for an empty text.
ByteState LastByteState(std::string_view text);

// The length of the longest start of `text` of at most `max_bytes` bytes
// that does not end in a lead byte, so never inside a double-byte character.
std::size_t WholeCharactersPrefix(std::string_view text, std::size_t max_bytes);

}  // namespace quillet
