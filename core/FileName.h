#pragma once

// File-name helpers on Shift-JIS byte text. The extension helpers scan back
// byte by byte from the end (not double-byte aware), stopping at '\' or ':'.

#include <string>
#include <string_view>

namespace quillet {

// The extension without its dot; empty when the last component has none or
// its only dot is the text's first byte.
std::string ExtractExt(std::string_view path);
// The path without its extension and dot; unchanged when it has none.
std::string StripExt(std::string_view path);
// StripExt(path), then "." and `ext` unless `ext` is empty.
std::string ChangeExt(std::string_view path, std::string_view ext);
// The path ending in a single-byte '\' (a 0x5C that is the second byte of a
// double-byte character does not count). Empty text gives "\".
std::string AddBackslash(std::string_view path);
// The text after the last single-byte '\' or ':' (a 0x5C that is the second
// byte of a double-byte character is not a separator).
std::string_view NamePart(std::string_view path);

}  // namespace quillet
