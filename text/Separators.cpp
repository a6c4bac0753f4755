#include "text/Separators.h"

#include "text/ByteState.h"

namespace quillet {

namespace {

bool IsOneOf(char c, std::string_view bytes) { return bytes.find(c) != std::string_view::npos; }

}  // namespace

std::size_t FindFirstSingleByte(std::string_view text, std::string_view bytes, std::size_t from,
                                TextCode code) {
  // In UTF-8 no byte of `bytes` is ever part of a longer character.
  if (code == TextCode::kUtf8) return text.find_first_of(bytes, from);
  ByteState state = ByteState::kSingle;
  for (std::size_t i = from; i < text.size(); ++i) {
    state = NextByteState(state, static_cast<unsigned char>(text[i]));
    if (state == ByteState::kSingle && IsOneOf(text[i], bytes)) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLastSingleByte(std::string_view text, std::string_view bytes) {
  // The state of a byte depends on every byte before it, so the scan runs
  // forward over the whole text and keeps the last hit.
  std::size_t last = std::string_view::npos;
  ByteState state = ByteState::kSingle;
  for (std::size_t i = 0; i < text.size(); ++i) {
    state = NextByteState(state, static_cast<unsigned char>(text[i]));
    if (state == ByteState::kSingle && IsOneOf(text[i], bytes)) last = i;
  }
  return last;
}

bool EndsWithSingleByte(std::string_view text, std::string_view bytes) {
  return !text.empty() && IsOneOf(text.back(), bytes) && LastByteState(text) == ByteState::kSingle;
}

}  // namespace quillet
