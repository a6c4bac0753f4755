#pragma once

// The name matching of the directory search.

#include <string_view>

namespace quillet::platform {

// True when the Shift-JIS file name `name` is selected by `pattern`:
// - '*' takes any run of characters, '?' exactly one; a double-byte
//   character is one character;
// - ASCII letters are compared without regard to case, every other byte
//   exactly;
// - a pattern ending in '.' also selects a name without a dot that matches
//   the pattern without that dot ("*." selects names without an extension);
// - a pattern ending in ".*" also selects a name without a dot that matches
//   the part before the dot ("*.*" selects every name, "app.*" selects app);
// - a pattern without wild-cards selects the name equal to it.
bool MatchFileName(std::string_view pattern, std::string_view name);

}  // namespace quillet::platform
