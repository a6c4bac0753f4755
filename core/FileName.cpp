#include "core/FileName.h"

#include "text/Separators.h"

namespace quillet {

namespace {

// Position of the dot that starts the extension, or npos. The scan runs
// back byte by byte and stops at '\' or ':'; a dot at the text's first byte
// does not start an extension.
std::size_t ExtensionDot(std::string_view path) {
  for (std::size_t i = path.size(); i-- > 1;) {
    const char c = path[i];
    if (c == '\\' || c == ':') return std::string_view::npos;
    if (c == '.') return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string ExtractExt(std::string_view path) {
  const std::size_t dot = ExtensionDot(path);
  if (dot == std::string_view::npos) return {};
  return std::string(path.substr(dot + 1));
}

std::string StripExt(std::string_view path) {
  const std::size_t dot = ExtensionDot(path);
  if (dot == std::string_view::npos) return std::string(path);
  return std::string(path.substr(0, dot));
}

std::string ChangeExt(std::string_view path, std::string_view ext) {
  std::string result = StripExt(path);
  if (!ext.empty()) {
    result += '.';
    result += ext;
  }
  return result;
}

std::string AddBackslash(std::string_view path) {
  std::string result(path);
  // A trailing 0x5C may be the second byte of a character such as 表.
  if (!EndsWithSingleByte(path, "\\")) result += '\\';
  return result;
}

std::string_view NamePart(std::string_view path) {
  // A 0x5C that is the second byte of a character such as 表 is not a
  // separator: the pattern 表* names files, it is not the pattern "*".
  const std::size_t separator = FindLastSingleByte(path, "\\:");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace quillet
