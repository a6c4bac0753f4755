#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Descriptors.h"
#include "platform/DosAttrib.h"
#include "platform/FileGuards.h"
#include "platform/FileSystem.h"
#include "platform/NameCodec.h"
#include "platform/Path.h"
#include "platform/PosixFile.h"
#include "platform/WildCard.h"
#include "text/AsciiCase.h"
#include "text/Separators.h"

namespace quillet::platform {

namespace {

// True when a single-byte '?' or '*' stands anywhere in the path: such a
// name stands for a name the listing could not show, or is a pattern; on
// the original platform neither could name a file.
bool HasWildCard(std::string_view path) {
  return FindFirstSingleByte(path, "?*") != std::string_view::npos;
}

// Every call that names a file goes through here, so a listed '?' name can
// never open, create, rename or delete another file.
bool ToNative(std::string_view path, std::string& native) {
  if (HasWildCard(path)) {
    errno = EINVAL;
    return false;
  }
  auto converted = ToNativePath(path);
  if (!converted) {
    errno = ENOENT;  // another drive, or a name no file on disk can have
    return false;
  }
  native = std::move(*converted);
  return true;
}

// The last component of a native path, trailing '/' ignored.
std::string_view LastComponent(std::string_view native) {
  while (native.size() > 1 && native.back() == '/') native.remove_suffix(1);
  std::size_t slash = native.rfind('/');
  return slash == std::string_view::npos ? native : native.substr(slash + 1);
}

int OpenFlags(OpenMode mode, Links links) {
  // O_NONBLOCK: a FIFO named directly must not block the open; it is then
  // refused below as not being a regular file.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  switch (mode) {
    case OpenMode::kRead:
      flags |= O_RDONLY;
      break;
    case OpenMode::kReadWrite:
    case OpenMode::kHold:
      flags |= O_RDWR;
      break;
    case OpenMode::kCreateTruncate:
      // Not O_TRUNC: the file is checked before anything is cut.
      flags |= O_WRONLY | O_CREAT;
      break;
    case OpenMode::kCreateNew:
      flags |= O_WRONLY | O_CREAT | O_EXCL;
      break;
    case OpenMode::kAppend:
      flags |= O_RDWR | O_APPEND;
      break;
  }
  if (links == Links::kRefuse) flags |= O_NOFOLLOW;
  return flags;
}

// Refuses what the open descriptor must not be.
bool CheckKind(int fd, OpenMode mode, struct stat& st) {
  if (fstat(fd, &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  // The kernel lets root write anything; the owner-write bit is the
  // read-only attribute, which no writing open may ignore.
  if (mode != OpenMode::kRead && (st.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return false;
  }
  return true;
}

// Makes the checked descriptor ready for use in `mode`.
bool Prepare(int fd, OpenMode mode) {
  int status = fcntl(fd, F_GETFL);
  if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) return false;
  if (mode == OpenMode::kCreateTruncate && ftruncate(fd, 0) != 0) return false;
  if (mode == OpenMode::kAppend && lseek(fd, 0, SEEK_END) < 0) return false;
  return true;
}

// Opens `native` with `flags`, retrying when interrupted. -1 on failure.
int OpenNative(const std::string& native, int flags, mode_t create_mode) {
  int fd;
  do {
    fd = open(native.c_str(), flags, create_mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Splits a listing pattern into its folder (with the separator, or a bare
// drive, or empty) and its name pattern, at the last single-byte '\'.
void SplitPattern(std::string_view pattern, std::string_view& folder, std::string_view& name) {
  std::size_t cut = 0;
  if (pattern.size() >= 2 && pattern[1] == ':' && IsAsciiLetter(pattern[0])) cut = 2;
  const std::size_t separator = FindLastSingleByte(pattern, "\\");
  if (separator != std::string_view::npos) cut = separator + 1;
  folder = pattern.substr(0, cut);
  name = pattern.substr(cut);
}

bool Wanted(const Attributes& attributes, ListKind kind) {
  if (attributes.system) return false;
  if (kind == ListKind::kSubfolders) return true;
  return !attributes.directory && !attributes.hidden;
}

// Closes `fd`, which failed to be set up, and returns the failure that
// `errno` held before the close.
Opened FailOpen(int fd) {
  const Status failure = Status::FromErrno();
  close(fd);
  return {nullptr, failure};
}

class PosixFileSystemImpl : public FileSystem {
 public:
  Opened Open(std::string_view path, OpenMode mode, Links links) override {
    std::string native;
    if (!ToNative(path, native)) return {nullptr, Status::FromErrno()};
    const int fd = OpenNative(native, OpenFlags(mode, links), 0666);
    if (fd < 0) return {nullptr, Status::FromErrno()};
    struct stat st;
    if (!CheckKind(fd, mode, st) || (mode == OpenMode::kHold && !HoldFile(fd, st)) ||
        !Prepare(fd, mode))
      return FailOpen(fd);
    return {MakePosixFile(fd), {}};
  }

  Opened OpenBeside(std::string_view path, OpenMode mode, const FileInfo& log) override {
    if (mode != OpenMode::kCreateTruncate && mode != OpenMode::kCreateNew &&
        mode != OpenMode::kAppend)
      return {nullptr, Status::Failure(EINVAL)};
    std::string native;
    if (!ToNative(path, native)) return {nullptr, Status::FromErrno()};
    // Created owner-only: it is opened up to the log file's bits, never more.
    const int fd = OpenNative(native, OpenFlags(mode, Links::kRefuse), 0600);
    if (fd < 0) return {nullptr, Status::FromErrno()};
    struct stat st;
    if (!CheckKind(fd, mode, st) || !PrepareBeside(fd, st, mode, log) || !Prepare(fd, mode))
      return FailOpen(fd);
    return {MakePosixFile(fd), {}};
  }

  bool Exists(std::string_view path) override {
    std::string native;
    struct stat st;
    return ToNative(path, native) && lstat(native.c_str(), &st) == 0;
  }

  Status CheckWritable(std::string_view path) override {
    std::string native;
    return Status::Check(ToNative(path, native) &&
                         faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0);
  }

  Status GetAttributes(std::string_view path, Attributes& attributes) override {
    std::string native;
    struct stat st;
    if (!ToNative(path, native) || stat(native.c_str(), &st) != 0) return Status::FromErrno();
    attributes = AttributesOf(st, LastComponent(native), native, true);
    return {};
  }

  Status Rename(std::string_view from, std::string_view to) override {
    std::string native_from;
    std::string native_to;
    if (!ToNative(from, native_from) || !ToNative(to, native_to)) return Status::FromErrno();
    if (renameat2(AT_FDCWD, native_from.c_str(), AT_FDCWD, native_to.c_str(), RENAME_NOREPLACE) ==
        0)
      return {};
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return Status::FromErrno();
    return RenameWithoutNoReplace(native_from, native_to);
  }

  Status Replace(std::string_view from, std::string_view to) override {
    std::string native_from;
    std::string native_to;
    return Status::Check(ToNative(from, native_from) && ToNative(to, native_to) &&
                         rename(native_from.c_str(), native_to.c_str()) == 0);
  }

  Status Delete(std::string_view path) override {
    std::string native;
    return Status::Check(ToNative(path, native) && unlink(native.c_str()) == 0);
  }

  Status SyncParent(std::string_view path) override {
    std::string native;
    if (!ToNative(path, native)) return Status::FromErrno();
    const std::size_t slash = native.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash);
    const int fd = OpenNative(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return Status::FromErrno();
    int rc;
    do {
      rc = fsync(fd);
    } while (rc != 0 && errno == EINTR);
    // Some file systems cannot flush a folder at all; there is nothing more
    // to be done there.
    if (rc != 0 && (errno == EINVAL || errno == ENOTSUP)) rc = 0;
    const Status status = Status::Check(rc == 0);
    close(fd);
    return status;
  }

  Status List(std::string_view pattern, ListKind kind, std::vector<DirEntry>& entries) override;

 private:
  // For file systems without RENAME_NOREPLACE: a hard link cannot replace
  // an entry either; where links are not supported, check, then rename.
  static Status RenameWithoutNoReplace(const std::string& from, const std::string& to) {
    if (link(from.c_str(), to.c_str()) == 0) {
      if (unlink(from.c_str()) == 0) return {};
      const Status failure = Status::FromErrno();
      unlink(to.c_str());
      return failure;
    }
    if (errno == EEXIST) return Status::FromErrno();
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) return Status::Failure(EEXIST);
    return Status::Check(rename(from.c_str(), to.c_str()) == 0);
  }
};

Status PosixFileSystemImpl::List(std::string_view pattern, ListKind kind,
                                 std::vector<DirEntry>& entries) {
  entries.clear();
  std::string_view folder;
  std::string_view name_pattern;
  SplitPattern(pattern, folder, name_pattern);
  std::string native_folder;
  if (folder.empty()) {
    native_folder = ".";
  } else if (!ToNative(folder, native_folder)) {
    return Status::FromErrno();
  }
  int dir_fd = open(native_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return Status::FromErrno();
  DIR* dir = fdopendir(dir_fd);
  if (dir == nullptr) {
    const Status failure = Status::FromErrno();
    close(dir_fd);
    return failure;
  }
  if (native_folder.back() != '/') native_folder += '/';
  Status status;
  for (;;) {
    errno = 0;
    struct dirent* entry = readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) status = Status::FromErrno();
      break;
    }
    std::string_view native_name = entry->d_name;
    std::string sjis_name = NativeNameToListed(native_name);
    if (!MatchFileName(name_pattern, sjis_name)) continue;
    // d_type may be DT_UNKNOWN, and a link must be seen as a link: lstat.
    struct stat st;
    if (fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone
    Attributes attributes = AttributesOf(st, native_name, native_folder + entry->d_name, false);
    if (!Wanted(attributes, kind)) continue;
    entries.push_back(DirEntry{std::move(sjis_name), attributes});
  }
  closedir(dir);
  return status;
}

}  // namespace

FileSystem& PosixFileSystem() {
  static PosixFileSystemImpl file_system;
  return file_system;
}

}  // namespace quillet::platform
