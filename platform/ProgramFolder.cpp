#include "platform/ProgramFolder.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string_view>

#include "core/Ctype.h"
#include "platform/Path.h"

namespace quillet::platform {

namespace {

std::optional<std::string> CurrentDirectory() {
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) return std::nullopt;
  return std::string(buffer);
}

// `native` made absolute against the current directory and, when it names
// something that exists, freed of ".", ".." and links, so that the folder
// reads as a plain full path in every message.
std::optional<std::string> Absolute(const std::string& native) {
  std::string absolute = native;
  if (absolute.empty() || absolute[0] != '/') {
    auto current = CurrentDirectory();
    if (!current) return std::nullopt;
    absolute = *current + "/" + native;
  }
  if (char* resolved = realpath(absolute.c_str(), nullptr)) {
    absolute = resolved;
    free(resolved);
  }
  return absolute;
}

std::optional<std::string> ExecutableFolder() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
  std::string_view exe(buffer, static_cast<std::size_t>(length));
  std::size_t slash = exe.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  return std::string(exe.substr(0, slash == 0 ? 1 : slash));
}

// True when the last byte is a '\' of its own, not the second byte of a
// double-byte character such as 表 (95 5C).
bool EndsWithSeparator(std::string_view sjis) {
  ByteState state = ByteState::kSingle;
  for (char c : sjis) state = NextByteState(state, static_cast<unsigned char>(c));
  return !sjis.empty() && state == ByteState::kSingle && sjis.back() == '\\';
}

std::optional<std::string> WindowsFolder(const std::optional<std::string>& native) {
  if (!native) return std::nullopt;
  auto windows = FromNativePath(*native);
  if (!windows) return std::nullopt;
  if (!EndsWithSeparator(*windows)) *windows += '\\';
  return windows;
}

}  // namespace

std::string ProgramFolder() {
  // A QUILLET_HOME that cannot be used (no Shift-JIS form) falls back to
  // the executable's folder rather than to an empty program folder.
  const char* home = getenv("QUILLET_HOME");
  if (home != nullptr && *home != '\0') {
    if (auto folder = WindowsFolder(Absolute(home))) return *folder;
  }
  if (auto folder = WindowsFolder(ExecutableFolder())) return *folder;
  if (auto folder = WindowsFolder(CurrentDirectory())) return *folder;
  // The current directory, still, when its own name has no Shift-JIS form.
  return ".\\";
}

}  // namespace quillet::platform
