#include "text/ByteState.h"

namespace quillet {

ByteState LastByteState(std::string_view text) {
  ByteState state = ByteState::kSingle;
  for (const char c : text) state = NextByteState(state, static_cast<unsigned char>(c));
  return state;
}

std::size_t WholeCharactersPrefix(std::string_view text, std::size_t max_bytes) {
  std::size_t length = 0;
  ByteState state = ByteState::kSingle;
  for (std::size_t i = 0; i < text.size() && i < max_bytes; ++i) {
    state = NextByteState(state, static_cast<unsigned char>(text[i]));
    if (state != ByteState::kLead) length = i + 1;
  }
  return length;
}

}  // namespace quillet
