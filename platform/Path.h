#pragma once

// Windows-form paths on a POSIX system.
//
// Drive Z: is the Unix root: "Z:\var\log\app.log" is "/var/log/app.log".
// Drive letters are taken without regard to case. A path without a drive
// that begins with '\' is taken on drive Z:; a relative path is relative to
// the current directory. Any other drive letter does not exist.

#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// Converts a Windows-form Shift-JIS path to a native UTF-8 path. Returns
// nullopt for another drive letter or bytes with no UTF-8 form. Separators
// are the single-byte '\' bytes (a 0x5C that is the second byte of a
// double-byte character stays part of its character).
std::optional<std::string> ToNativePath(std::string_view windows_path);

// Converts a native UTF-8 path to its Windows form on drive Z: ("/a/b" gives
// "Z:\a\b"; "/" gives "Z:\"). Returns nullopt when the path is not absolute
// or has no Shift-JIS form.
std::optional<std::string> FromNativePath(std::string_view native_path);

// The Windows form of an absolute native path for showing it, with '?' for
// each character of a component that has no Shift-JIS form (as a listing
// shows names). Never names a file the file layer opens when it holds '?'.
std::string ShownNativePath(std::string_view native_path);

}  // namespace quillet::platform
