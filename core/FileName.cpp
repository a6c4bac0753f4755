#include "core/FileName.h"

#include "core/Ctype.h"

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
  if (path.empty() || path.back() != '\\') {
    result += '\\';
    return result;
  }
  // A trailing 0x5C may be the second byte of a character such as 表;
  // only the state of the whole text tells.
  ByteState state = ByteState::kSingle;
  for (const char c : path) state = NextByteState(state, static_cast<unsigned char>(c));
  if (state == ByteState::kSecond) result += '\\';
  return result;
}

std::string_view NamePart(std::string_view path) {
  // A 0x5C that is the second byte of a character such as 表 is not a
  // separator: the pattern 表* names files, it is not the pattern "*".
  std::size_t start = 0;
  ByteState state = ByteState::kSingle;
  for (std::size_t i = 0; i < path.size(); ++i) {
    state = NextByteState(state, static_cast<unsigned char>(path[i]));
    if (state == ByteState::kSingle && (path[i] == '\\' || path[i] == ':')) start = i + 1;
  }
  return path.substr(start);
}

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  // A second byte in 'a'..'z' belongs to a double-byte character (ツ is
  // 0x83 0x63); changing it would turn one character into another.
  ByteState state = ByteState::kSingle;
  for (char& c : result) {
    state = NextByteState(state, static_cast<unsigned char>(c));
    if (state == ByteState::kSingle && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

}  // namespace quillet
