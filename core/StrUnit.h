#pragma once

// The wild-card matcher of definition lines against log lines.

#include <string_view>

namespace quillet {

// Matches one log line against one definition pattern: '*' any run of
// bytes, '?' exactly one byte, '\' (single-byte) escapes the next byte.
// Left to right, a literal after '*' is taken at its first occurrence and
// nothing is retried. Both texts end at their first zero byte. Byte-exact,
// case-sensitive. Returns 0 when the line matches, 1 when it does not.
// Allocates nothing.
int MatchPattern(std::string_view line, std::string_view pattern);

}  // namespace quillet
