#pragma once

// Conversion between Shift-JIS (code page 932, Microsoft's table) and UTF-8,
// through glibc iconv "CP932". Used only at the edges: file names on disk,
// display and terminal output, and tests.

#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// Converts Shift-JIS bytes to UTF-8. Returns nullopt when the bytes have no
// UTF-8 form (an incomplete or unmapped character).
std::optional<std::string> SjisToUtf8(std::string_view sjis);

// Converts UTF-8 to Shift-JIS bytes. Returns nullopt when a character has no
// Shift-JIS form or the UTF-8 is malformed.
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

}  // namespace quillet::platform
