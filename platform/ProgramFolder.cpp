#include "platform/ProgramFolder.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string_view>

#include "platform/Path.h"
#include "text/Separators.h"

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

std::optional<std::string> WindowsFolder(const std::optional<std::string>& native) {
  if (!native) return std::nullopt;
  auto windows = FromNativePath(*native);
  if (!windows) return std::nullopt;
  // A last byte 0x5C may be the second byte of a character such as 表.
  if (!EndsWithSingleByte(*windows, "\\")) *windows += '\\';
  return windows;
}

// The file layer refuses to write where the owner-write bit is clear, even
// for root, so the bit counts besides what the system allows.
bool IsWritableFolder(const std::string& native) {
  struct stat info;
  return stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         (info.st_mode & S_IWUSR) != 0 && access(native.c_str(), W_OK) == 0;
}

bool MakeFolder(const std::string& native) {
  if (mkdir(native.c_str(), 0700) == 0 || errno == EEXIST) return IsWritableFolder(native);
  return false;
}

// Copies `from` to a new file `to`; an existing `to` (or a link planted
// there) is left alone.
void CopyNewFile(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  bool copied = out >= 0;
  char buffer[8192];
  while (copied) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    copied = write(out, buffer, static_cast<std::size_t>(got)) == got;
  }
  close(in);
  if (out < 0) return;
  if (close(out) != 0) copied = false;
  // A half-copied sample would become a half definition file.
  if (!copied) unlink(to.c_str());
}

std::optional<std::string> ConfigFolder(const std::string& executable_folder, FolderLookup lookup) {
  std::string base;
  const char* config_home = getenv("XDG_CONFIG_HOME");
  const char* user_home = getenv("HOME");
  if (config_home != nullptr && config_home[0] == '/') {
    base = config_home;
  } else if (user_home != nullptr && user_home[0] == '/') {
    base = std::string(user_home) + "/.config";
  } else {
    return std::nullopt;
  }
  const std::string folder = base + "/quillet";
  if (lookup == FolderLookup::kLookOnly) {
    struct stat info;
    const bool missing = lstat(folder.c_str(), &info) != 0 && errno == ENOENT;
    if (missing || IsWritableFolder(folder)) return folder;
    return std::nullopt;
  }
  mkdir(base.c_str(), 0700);  // an existing one is fine; MakeFolder checks
  if (!MakeFolder(folder)) return std::nullopt;
  const std::string sample = folder + "/Quillet.smp";
  if (access(sample.c_str(), F_OK) != 0) {
    CopyNewFile(executable_folder + "/Quillet.smp", sample);
  }
  return folder;
}

// QUILLET_HOME as a choice, or nullopt when it is unset or empty. One that
// has no Shift-JIS form stays the choice: the program must not quietly use
// another folder's settings and definitions.
std::optional<ProgramFolderChoice> QuilletHome() {
  const char* home = getenv("QUILLET_HOME");
  if (home == nullptr || *home == '\0') return std::nullopt;
  auto absolute = Absolute(home);
  return ProgramFolderChoice{WindowsFolder(absolute).value_or(std::string()),
                             absolute.value_or(home), true};
}

ProgramFolderChoice Choice(const std::string& native) {
  return {WindowsFolder(native).value_or(std::string()), native, false};
}

std::string FallbackFolder() {
  if (auto folder = WindowsFolder(CurrentDirectory())) return *folder;
  // The current directory, still, when its own name has no Shift-JIS form.
  return ".\\";
}

}  // namespace

std::optional<std::string> ExecutableFolder() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
  std::string_view exe(buffer, static_cast<std::size_t>(length));
  std::size_t slash = exe.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  return std::string(exe.substr(0, slash == 0 ? 1 : slash));
}

ProgramFolderChoice ChooseProgramFolderFor(const std::string& executable_folder,
                                           FolderLookup lookup) {
  if (auto home = QuilletHome()) return *home;
  if (!IsWritableFolder(executable_folder)) {
    if (auto folder = ConfigFolder(executable_folder, lookup)) return Choice(*folder);
  }
  return Choice(executable_folder);
}

ProgramFolderChoice ChooseProgramFolder(FolderLookup lookup) {
  if (auto home = QuilletHome()) return *home;
  if (auto executable_folder = ExecutableFolder())
    return ChooseProgramFolderFor(*executable_folder, lookup);
  return {FallbackFolder(), ".", false};
}

std::string ProgramFolderFor(const std::string& executable_folder, FolderLookup lookup) {
  return ChooseProgramFolderFor(executable_folder, lookup).folder;
}

std::string ProgramFolder(FolderLookup lookup) { return ChooseProgramFolder(lookup).folder; }

}  // namespace quillet::platform
