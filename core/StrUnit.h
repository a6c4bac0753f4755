#pragma once

// The wild-card matcher of definition lines against log lines.

#include <string_view>

#include "text/TextCode.h"

namespace quillet {

// Matches one log line against one definition pattern: '*' any run of
// bytes, '?' exactly one byte, '\' (single-byte) escapes the next byte.
// Left to right, a literal after '*' is taken at its first occurrence and
// nothing is retried. Both texts end at their first zero byte. Byte-exact,
// case-sensitive. Returns 0 when the line matches, 1 when it does not.
// Allocates nothing.
//
// With TextCode::kUtf8 both texts are read as UTF-8: '?' matches one
// character of the line (a whole well-formed sequence, else one byte), and
// every '\', '*' and '?' byte of the pattern is a mark, as UTF-8 never uses
// bytes below 0x80 inside a longer character. Escaping the first byte of a
// character escapes the character, its other bytes being no marks.
// Literals are still compared byte for byte.
int MatchPattern(std::string_view line, std::string_view pattern,
                 TextCode code = TextCode::kShiftJis);

}  // namespace quillet
