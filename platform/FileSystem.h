#pragma once

// The file layer: Windows-like file services on a POSIX file system.
//
// Paths are Windows-form byte texts in Shift-JIS ("Z:\var\log\app.log").
// Drive Z: is the Unix root; any other drive letter behaves like a missing
// drive (every call fails with ENOENT). Names are converted to the system's
// file-name encoding only inside the implementation.
//
// Every call that can fail returns a Status (an open returns it with the
// file, as Opened) that holds the reason of a failure, an errno value, so a
// caller never depends on `errno` surviving the calls that follow a failure.
// A path holding a '?' or '*' (a wild card, or a name a listing could not
// show) names no file: every call but List fails on it with EINVAL.

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quillet::platform {

// The outcome of a call of the file layer: success, or the errno value that
// made it fail. Like the bool it stands for it tests true on success, and it
// carries the reason with it.
class Status {
 public:
  Status() = default;  // success
  // A failure for `error`; an error of 0 (a failure that set no errno) is
  // taken as EIO, so that a failure never reads as success.
  static Status Failure(int error) {
    Status status;
    status.error_ = std::error_code(error != 0 ? error : EIO, std::generic_category());
    return status;
  }
  // A failure for the errno that the system call which just failed left.
  static Status FromErrno() { return Failure(errno); }
  // Success when `ok`, else FromErrno(): for a call that just returned `ok`.
  static Status Check(bool ok) { return ok ? Status() : FromErrno(); }

  bool ok() const { return !error_; }
  explicit operator bool() const { return ok(); }
  // The reason of a failure; empty on success.
  const std::error_code& error() const { return error_; }
  // The errno value of a failure, 0 on success.
  int errno_value() const { return error_.value(); }

 private:
  std::error_code error_;
};

// File attributes as the folder run and file processing see them.
struct Attributes {
  bool directory = false;
  bool read_only = false;  // owner-write permission bit clear
  bool hidden = false;     // name begins with '.', or DOSATTRIB says hidden
  bool system = false;     // DOSATTRIB says system; FIFOs, sockets, devices and links in listings
};

struct DirEntry {
  std::string name;  // Shift-JIS, without folder
  Attributes attributes;
};

// What a listing takes (see FileSystem::List).
enum class ListKind {
  kFiles,       // every entry except directories, hidden and system entries
  kSubfolders,  // every entry except system entries
};

// How a file is opened. None of the modes follows a symbolic link for the
// files the program creates; see FileSystem::Open.
enum class OpenMode {
  kRead,            // existing file, read only
  kReadWrite,       // existing file, read and write, not truncated
  kCreateTruncate,  // created if missing, truncated to 0, write only
  kCreateNew,       // created, write only; fails with EEXIST when the name exists
  kAppend,          // existing file, read and write, positioned at its end
  kHold,            // existing file, read and write, held against other openers
};

// Whether the final path component may be a symbolic link.
enum class Links {
  kFollow,  // a user's log file or definition file, taken as given
  kRefuse,  // temporary and increment files: a link fails with ELOOP
};

// Owner, group, permission bits (the low 12 bits of the mode) and link
// count of an open file.
struct FileInfo {
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
  nlink_t links = 0;
};

// An open file. Reads and writes go straight to the descriptor; callers
// buffer (see core/TextIO.h). Destroying an open File closes it, ignoring
// errors.
class File {
 public:
  virtual ~File() = default;
  // Reads up to `size` bytes at the current position into `buffer` and sets
  // `count` to the number read (0 at the end; 0 on failure).
  virtual Status Read(char* buffer, std::size_t size, std::size_t& count) = 0;
  // Writes all `size` bytes at the current position (or at the end in
  // append mode). Fails on a short write too (EIO when the system gave no
  // reason).
  virtual Status Write(const char* data, std::size_t size) = 0;
  // Sets `size` to the size of the open file in bytes (-1 on failure).
  virtual Status Size(std::int64_t& size) = 0;
  // Moves the position to `offset` from the start.
  virtual Status Seek(std::int64_t offset) = 0;
  // Cuts the file to `size` bytes.
  virtual Status Truncate(std::int64_t size) = 0;
  // Flushes the file's data to stable storage.
  virtual Status Sync() = 0;
  // Last-write time as an MS-DOS stamp in local time (platform/DosTime.h).
  // Fails when the stamp cannot be read or has no DOS form (EOVERFLOW).
  virtual Status GetTime(std::uint32_t& dos_time) = 0;
  // Sets the last-write time from an MS-DOS stamp in local time.
  virtual Status SetTime(std::uint32_t dos_time) = 0;
  // Owner, group, mode and link count of the open file.
  virtual Status GetInfo(FileInfo& info) = 0;
  // Sets or clears the file's pending mark, a flag stored with the file on
  // disk (the extended attribute user.quillet.pending) that says "this file
  // holds the only complete copy of a text". Setting it becomes durable with
  // the next Sync(). Clearing an unmarked file succeeds. Fails with ENOTSUP
  // where the file system keeps no such flags.
  virtual Status SetPending(bool pending) = 0;
  // Reads the pending mark into `pending`. Fails with ENOTSUP where the
  // file system keeps no such flags.
  virtual Status GetPending(bool& pending) = 0;
  // Closes the descriptor. Fails when the close reports an error (for
  // example a delayed write failure); the descriptor is released all the
  // same. Calling it twice is harmless. Closing a held file releases it.
  virtual Status Close() = 0;
};

// What an open gives: the file, or null and the reason it failed.
struct Opened {
  std::unique_ptr<File> file;
  Status status;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `path`. On failure `file` is null and `status` says why.
  // - Only regular files are opened; a directory, FIFO, socket or device
  //   fails (EISDIR, EINVAL; ENXIO for a FIFO opened for writing that has
  //   no reader), so a run can never hang on a FIFO.
  // - A file whose owner-write bit is clear is refused for any writing mode
  //   (EACCES), also when running as root, as the original platform would.
  // - kCreateTruncate checks both rules before anything is truncated.
  // - Links::kRefuse fails with ELOOP when the last component is a link.
  // - No open ever waits for another process: where another holder has the
  //   file, the open fails with EWOULDBLOCK.
  // - kHold takes the file for one whole processing, through this one
  //   descriptor: it fails with EMLINK when the file has more than one hard
  //   link, and with EWOULDBLOCK when another holder (of any process) has
  //   it, or when any other descriptor of the file is open anywhere (a
  //   writer or a reader such as `tail -f`). While held, another process
  //   that opens the file waits in its open until the file is closed, for
  //   at most /proc/sys/fs/lease-break-time seconds (45 by default); after
  //   that the system lets it in. The wait and the check for other
  //   descriptors need a write lease: it is taken where the system grants
  //   one (the file's owner, or root, on a local file system); elsewhere
  //   only other holders are kept out. A writer that keeps the file open
  //   from before the hold is refused; one that opens it again while it is
  //   held and then writes is not stopped once the break time is over.
  //   Signals the system sends when a holder's file is opened (SIGIO) are
  //   caught and ignored, so they never end the process.
  virtual Opened Open(std::string_view path, OpenMode mode, Links links = Links::kFollow) = 0;

  // Opens a file that belongs to a log file described by `log` (its
  // temporary, backup or increment file) for kCreateTruncate, kCreateNew or kAppend, never through
  // a link (ELOOP) and under the rules of Open. An existing file is refused before anything in it
  // changes when it has more than one hard link (EMLINK) or is owned by neither `log.owner` nor the
  // running user (EPERM). Then, before anything is truncated or written:
  // - kCreateTruncate and kCreateNew: the file gets the log file's permission bits
  //   (`log.mode & 0777`) and, when running as root, its owner and group;
  //   other users keep the file but give it the log file's group where
  //   they may, else drop its group bits. A file created here is never
  //   more open than that, not even for a moment.
  // - kAppend: the file keeps its owner and loses every permission bit the
  //   log file does not have.
  // On failure `file` is null and `status` says why.
  virtual Opened OpenBeside(std::string_view path, OpenMode mode, const FileInfo& log) = 0;

  // True when a directory entry of that name exists (a link counts, even a
  // dangling one).
  virtual bool Exists(std::string_view path) = 0;

  // Whether this process may write to the file or folder at `path`, by the
  // system's access check with the effective ids; nothing is opened. Fails
  // with the reason (EACCES, EROFS...) when it may not. Without a check of
  // its own a file system says it may.
  virtual Status CheckWritable(std::string_view path) {
    static_cast<void>(path);
    return {};
  }

  // Attributes of the entry at `path` (links followed).
  virtual Status GetAttributes(std::string_view path, Attributes& attributes) = 0;

  // Renames `from` to `to`; fails with EEXIST when `to` exists (no entry of
  // any kind is ever replaced).
  virtual Status Rename(std::string_view from, std::string_view to) = 0;

  // Renames `from` to `to`, replacing a file named `to` in one step: the name
  // `to` always leads to either the old file or the new one.
  virtual Status Replace(std::string_view from, std::string_view to) = 0;

  // Deletes a file (not a directory).
  virtual Status Delete(std::string_view path) = 0;

  // Flushes the folder that holds `path` to stable storage: names created,
  // renamed or deleted in it before this call survive a power loss (a file's
  // Sync makes its contents durable, never its name). A file system that
  // cannot flush folders counts as flushed.
  virtual Status SyncParent(std::string_view path) = 0;

  // Lists the entries of a folder that match a wild-card name pattern.
  // `pattern` is a folder path, '\', and a name pattern ("Z:\logs\*.log").
  // Matching follows the Windows directory search: letters compared without
  // regard to case, '?' takes one character (a double-byte character counts
  // as one), "*.*" matches every name, "*." names without an extension.
  // A name with no Shift-JIS form is listed with '?' for each character
  // that has none (platform/NameCodec.h); symbolic links and entries
  // that are neither regular files nor directories are system entries and
  // never listed. "." and ".." are listed by kSubfolders as directories.
  // Entry order is the order the system gives. Fails when the folder cannot
  // be read (missing, not a folder, no permission).
  virtual Status List(std::string_view pattern, ListKind kind, std::vector<DirEntry>& entries) = 0;
};

// The process-wide POSIX implementation.
FileSystem& PosixFileSystem();

}  // namespace quillet::platform
