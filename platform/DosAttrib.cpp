#include "platform/DosAttrib.h"

#include <sys/xattr.h>

#include <cerrno>

namespace quillet::platform {

namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr long kDosHidden = 0x2;
constexpr long kDosSystem = 0x4;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of "user.DOSATTRIB", or empty when there is none.
std::string DosAttribValue(const std::string& native_path, bool follow_links) {
  auto get = [&](void* buffer, std::size_t size) {
    return follow_links ? getxattr(native_path.c_str(), kDosAttribName, buffer, size)
                        : lgetxattr(native_path.c_str(), kDosAttribName, buffer, size);
  };
  ssize_t size = get(nullptr, 0);
  if (size <= 0) return {};
  std::string value(static_cast<std::size_t>(size), '\0');
  size = get(value.data(), value.size());
  if (size < 0) return {};  // changed in between; taken as none
  value.resize(static_cast<std::size_t>(size));
  return value;
}

}  // namespace

long ParseDosAttrib(std::string_view value) {
  if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) return -1;
  long bits = 0;
  std::size_t i = 2;
  // The attribute byte needs two digits; a few more are harmless, more than
  // that is no attribute text.
  for (; i < value.size() && i < 10 && HexDigit(value[i]) >= 0; ++i)
    bits = bits * 16 + HexDigit(value[i]);
  return i == 2 ? -1 : bits;
}

Attributes AttributesOf(const struct stat& st, std::string_view name,
                        const std::string& native_path, bool follow_links) {
  Attributes attributes;
  attributes.directory = S_ISDIR(st.st_mode);
  attributes.read_only = (st.st_mode & S_IWUSR) == 0;
  attributes.hidden = !name.empty() && name[0] == '.' && name != "." && name != "..";
  attributes.system = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
  if (attributes.system) return attributes;

  int saved_errno = errno;  // a missing attribute is no failure of the caller
  std::string value = DosAttribValue(native_path, follow_links);
  errno = saved_errno;
  // Samba writes "0x20" and, in later versions, a binary record after a NUL;
  // only the leading text is read.
  long bits = ParseDosAttrib(value);
  if (bits < 0) return attributes;
  if (bits & kDosHidden) attributes.hidden = true;
  if (bits & kDosSystem) attributes.system = true;
  return attributes;
}

}  // namespace quillet::platform
