#pragma once

// Helpers shared by the path conversion and the listing: one file-name
// component from its on-disk form (UTF-8) to the program's form (Shift-JIS).

#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// The Shift-JIS form of one native name (no '/'). Returns nullopt when the
// name has no Shift-JIS form that reads back as the same name: a character
// without a CP932 code, one that CP932 maps onto another character's code
// (U+00A5 YEN SIGN onto 0x5C, U+301C WAVE DASH onto U+FF5E's code), or a
// backslash, which would read back as a separator. Such a name can never be
// turned into the name of another file.
std::optional<std::string> NativeNameToSjis(std::string_view native_name);

// The name as a listing shows it: its Shift-JIS form, with '?' in place of
// each character that has none (as NativeNameToSjis decides, a backslash
// included) and of each byte that is not part of a UTF-8 character. A name
// shown with a '?' names no file the file layer will open.
std::string NativeNameToListed(std::string_view native_name);

}  // namespace quillet::platform
