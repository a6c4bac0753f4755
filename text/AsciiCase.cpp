#include "text/AsciiCase.h"

#include "text/ByteState.h"

namespace quillet {

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  ByteState state = ByteState::kSingle;
  for (char& c : result) {
    state = NextByteState(state, static_cast<unsigned char>(c));
    if (state == ByteState::kSingle) c = UpperAsciiByte(c);
  }
  return result;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // The states of `a` are those of `b` as long as the texts agree: a byte
  // that differs only by case is a letter, single in both.
  ByteState state = ByteState::kSingle;
  for (std::size_t i = 0; i < a.size(); ++i) {
    state = NextByteState(state, static_cast<unsigned char>(a[i]));
    const bool same =
        state == ByteState::kSingle ? UpperAsciiByte(a[i]) == UpperAsciiByte(b[i]) : a[i] == b[i];
    if (!same) return false;
  }
  return true;
}

}  // namespace quillet
