#include "platform/Path.h"

#include "platform/NameCodec.h"
#include "platform/Sjis.h"
#include "text/AsciiCase.h"
#include "text/Separators.h"

namespace quillet::platform {

namespace {

// Converts the components of a driveless Shift-JIS path one by one, so that
// only single-byte '\' bytes separate them.
std::optional<std::string> ComponentsToNative(std::string_view sjis) {
  std::string native;
  std::size_t start = 0;
  for (;;) {
    const std::size_t separator = FindFirstSingleByte(sjis, "\\", start);
    const std::size_t end = separator == std::string_view::npos ? sjis.size() : separator;
    auto part = SjisToUtf8(sjis.substr(start, end - start));
    if (!part) return std::nullopt;
    native += *part;
    if (separator == std::string_view::npos) return native;
    native += '/';
    start = separator + 1;
  }
}

}  // namespace

std::optional<std::string> ToNativePath(std::string_view windows_path) {
  // A NUL would cut the path short in every system call.
  if (windows_path.find('\0') != std::string_view::npos) return std::nullopt;
  std::string_view rest = windows_path;
  if (rest.size() >= 2 && rest[1] == ':' && IsAsciiLetter(rest[0])) {
    if (rest[0] != 'Z' && rest[0] != 'z') return std::nullopt;
    rest.remove_prefix(2);
    // "Z:" alone, or "Z:name", is relative to the current folder of drive Z:,
    // which is the process's current directory.
    if (rest.empty()) return std::string(".");
  } else if (rest.size() >= 2 && rest[0] == '\\' && rest[1] == '\\') {
    return std::nullopt;  // a network share (\\server\share) does not exist here
  }
  return ComponentsToNative(rest);
}

std::optional<std::string> FromNativePath(std::string_view native_path) {
  if (native_path.empty() || native_path[0] != '/') return std::nullopt;
  std::string windows = "Z:";
  std::size_t start = 1;
  for (;;) {
    std::size_t end = native_path.find('/', start);
    std::string_view part =
        native_path.substr(start, end == std::string_view::npos ? end : end - start);
    windows += '\\';
    if (!part.empty()) {
      auto sjis = NativeNameToSjis(part);
      if (!sjis) return std::nullopt;
      windows += *sjis;
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return windows;
}

std::string ShownNativePath(std::string_view native_path) {
  std::string shown = "Z:";
  std::size_t start = native_path.starts_with('/') ? 1 : 0;
  for (;;) {
    std::size_t end = native_path.find('/', start);
    shown += '\\';
    shown += NativeNameToListed(
        native_path.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return shown;
}

}  // namespace quillet::platform
