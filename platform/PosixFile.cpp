#include "platform/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/DosTime.h"
#include "platform/FileGuards.h"

namespace quillet::platform {

namespace {

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Status Read(char* buffer, std::size_t size, std::size_t& count) override {
    count = 0;
    ssize_t got;
    do {
      got = read(fd_, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return Status::FromErrno();
    count = static_cast<std::size_t>(got);
    return {};
  }

  Status Write(const char* data, std::size_t size) override {
    while (size > 0) {
      ssize_t count = write(fd_, data, size);
      if (count < 0) {
        if (errno == EINTR) continue;
        return Status::FromErrno();
      }
      if (count == 0) return Status::Failure(EIO);
      data += count;
      size -= static_cast<std::size_t>(count);
      unflushed_ += static_cast<std::size_t>(count);
    }
    if (unflushed_ >= kWritebackBytes) StartWriteback();
    return {};
  }

  Status Size(std::int64_t& size) override {
    size = -1;
    struct stat st;
    if (fstat(fd_, &st) != 0) return Status::FromErrno();
    size = st.st_size;
    return {};
  }

  Status Seek(std::int64_t offset) override {
    return Status::Check(lseek(fd_, offset, SEEK_SET) >= 0);
  }

  Status Truncate(std::int64_t size) override {
    int rc;
    do {
      rc = ftruncate(fd_, size);
    } while (rc != 0 && errno == EINTR);
    return Status::Check(rc == 0);
  }

  Status Sync() override {
    unflushed_ = 0;
    return Status::Check(fsync(fd_) == 0);
  }

  Status GetTime(std::uint32_t& dos_time) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Status::FromErrno();
    if (!UnixToDosTime(st.st_mtim.tv_sec, dos_time)) return Status::Failure(EOVERFLOW);
    return {};
  }

  // Sets the modification time only; the access time is left as it is, as
  // setting a last-write time leaves the last-access time alone.
  Status SetTime(std::uint32_t dos_time) override {
    std::time_t unix_time;
    if (!DosToUnixTime(dos_time, unix_time)) return Status::Failure(EINVAL);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = unix_time;
    times[1].tv_nsec = 0;
    return Status::Check(futimens(fd_, times) == 0);
  }

  Status GetInfo(FileInfo& info) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Status::FromErrno();
    info = FileInfo{st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 07777), st.st_nlink};
    return {};
  }

  Status SetPending(bool pending) override { return Status::Check(SetPendingMark(fd_, pending)); }
  Status GetPending(bool& pending) override { return Status::Check(GetPendingMark(fd_, pending)); }

  Status Close() override {
    if (fd_ < 0) return {};
    int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports an error, so it
    // is never retried.
    return Status::Check(close(fd) == 0);
  }

 private:
  // Asks the system to start writing out what has been written so far, up
  // to the last 64 KiB boundary before the position (a multiple of any page
  // size, so the page being filled is left alone), without waiting for it.
  // A large file then goes to the disk while the rest is being produced,
  // and the Sync at its end waits only for the tail. Only a hint: a
  // failure here shows in Sync, if anywhere.
  void StartWriteback() {
    unflushed_ = 0;
    const off_t position = lseek(fd_, 0, SEEK_CUR);
    if (position <= 0) return;
    const off_t whole = position - position % kWritebackAlign;
    if (whole > 0) sync_file_range(fd_, 0, whole, SYNC_FILE_RANGE_WRITE);
  }

  // Writeback is started after every this many bytes written.
  static constexpr std::size_t kWritebackBytes = 4 * 1024 * 1024;
  static constexpr off_t kWritebackAlign = 64 * 1024;

  int fd_;
  std::size_t unflushed_ = 0;
};

}  // namespace

std::unique_ptr<File> MakePosixFile(int fd) { return std::make_unique<PosixFile>(fd); }

}  // namespace quillet::platform
