#pragma once

// The Shift-JIS lead-byte test and the double-byte state of a text scanned
// from its start.

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

}  // namespace quillet
