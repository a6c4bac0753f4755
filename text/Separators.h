#pragma once

// Finding separators and other ASCII marks in Shift-JIS byte text. A byte
// counts only as a character of its own: the 0x5C that is the second byte
// of 表 (95 5C) is no '\', so "Z:\logs\表*" has its name part "表*".

#include <cstddef>
#include <string_view>

#include "text/TextCode.h"

namespace quillet {

// Position of the first byte at or after `from` that is one of `bytes` and a
// single-byte character; npos when there is none. `from` must be the start
// of a character: 0, or the position just after a single-byte character
// (such as a byte found here before). `bytes` must be ASCII; `code` gives
// the rules of `text` (in UTF-8 an ASCII byte is always a character).
std::size_t FindFirstSingleByte(std::string_view text, std::string_view bytes, std::size_t from = 0,
                                TextCode code = TextCode::kShiftJis);

// Position of the last byte that is one of `bytes` and a single-byte
// character; npos when there is none.
std::size_t FindLastSingleByte(std::string_view text, std::string_view bytes);

// True when the last byte of `text` is one of `bytes` and a single-byte
// character; false for an empty text.
bool EndsWithSingleByte(std::string_view text, std::string_view bytes);

}  // namespace quillet
