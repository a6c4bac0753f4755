#pragma once

// Profile ("INI") files, read and written key by key.
//
// Reading: section and key names are found without regard to ASCII letter
// case; blanks around keys and values are ignored; a value enclosed in a
// pair of double quotes is read without them; lines may end in CR LF or LF.
// Writing: the key's line in the section is replaced, or added at the end
// of the section; the section is added at the end of the file when absent;
// every other line (other sections, keys, comments) is kept byte for byte;
// lines are written with CR LF. Each write replaces the file atomically
// (a new file beside it, then a rename), so a crash or a full disk never
// leaves a torn or empty file.
//
// Paths are Windows-form Shift-JIS texts (platform/Path.h); names and values
// are Shift-JIS bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace quillet::platform {

// A profile file read once, for reading many keys: each lookup gives what
// GetPrivateProfileString would have given for the file as it was read. A
// missing or unreadable file reads as an empty one.
class ProfileSnapshot {
 public:
  explicit ProfileSnapshot(std::string_view path);

  // As GetPrivateProfileString.
  std::string Get(std::string_view section, std::string_view key, std::string_view default_value,
                  std::size_t max_bytes = 1023) const;
  // The whole value, without its enclosing quotes; nothing when the
  // section or the key is absent.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

 private:
  std::string content_;
};

// The value of `key` in `section`, or `default_value` when the file, the
// section or the key is absent or unreadable. At most `max_bytes` bytes of
// the value are returned (a Windows buffer of 1024 holds 1023), cut before
// a double-byte character that would not fit whole.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view default_value, std::string_view path,
                                    std::size_t max_bytes = 1023);

// Sets `key` in `section` to `value`. A value with blanks at either end,
// or enclosed in double quotes, is written inside one more pair of quotes,
// so that it reads back as written. Writing through a symbolic link
// replaces the file it points to; the new file keeps the old one's
// permission bits. Returns false, with errno set, when the file cannot be
// read or replaced, when it is read-only (EACCES: owner-write bit clear),
// or when a name or the value could not be read back (EINVAL: a line
// break anywhere, blanks at the ends of a name, an empty key, a key with
// '=' or beginning with ';' or '['); the file is then unchanged. The new
// file is written, flushed and renamed through `fs`, which then flushes the
// folder.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view path,
                               FileSystem& fs = PosixFileSystem());

struct ProfileValue {
  std::string key;
  std::string value;
};

// Sets each key of `values` in `section`, in their order, with the result
// WritePrivateProfileString would give one key after another, except that a
// key whose value already reads back as given keeps its line byte for byte.
// The file is read once and replaced at most once, and not at all when no
// line changes. A key or value that cannot be written (EINVAL) stops there:
// the keys before it are written, and false is returned. Other failures are
// those of WritePrivateProfileString, with the file unchanged.
bool WritePrivateProfileStrings(std::string_view section, const std::vector<ProfileValue>& values,
                                std::string_view path, FileSystem& fs = PosixFileSystem());

}  // namespace quillet::platform
