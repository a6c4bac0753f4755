#pragma once

// File attributes from POSIX metadata and the DOS attribute byte that Samba
// and Wine keep in the "user.DOSATTRIB" extended attribute.

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace quillet::platform {

// The attributes of an entry named `name` (native, without folder) with
// status `st`: directory, read-only when the owner-write bit is clear, hidden
// when the name begins with '.' ("." and ".." excepted), system when the
// entry is neither a regular file nor a directory (a link's own status
// counts as system). Hidden and system are then also taken from the
// "user.DOSATTRIB" attribute of `native_path` (a link there followed or not
// by `follow_links`) when it has one that begins with "0x<hex>".
Attributes AttributesOf(const struct stat& st, std::string_view name,
                        const std::string& native_path, bool follow_links);

// The DOS attribute bits of a "user.DOSATTRIB" value, or -1 when the value
// does not begin with "0x" and at least one hexadecimal digit.
long ParseDosAttrib(std::string_view value);

}  // namespace quillet::platform
