#include "platform/FileGuards.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace quillet::platform {

namespace {

constexpr char kPendingName[] = "user.quillet.pending";
constexpr char kPendingValue[] = "1";

void IgnoreSignal(int) {}

// The system signals a lease holder when another process opens its file;
// the default action of that signal ends the process. A handler that does
// nothing (rather than SIG_IGN, which started programs would inherit) keeps
// the run going; a handler the program set itself is left alone.
void CatchLeaseBreakSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (sigaction(SIGIO, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return;
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGIO, &action, nullptr);
  });
}

bool RunningAsRoot() { return geteuid() == 0; }

}  // namespace

bool HoldFile(int fd, const struct stat& st) {
  // Another name of the same file could be a planted link to a file outside
  // the tree; a rewrite through one name changes them all.
  if (st.st_nlink > 1) {
    errno = EMLINK;
    return false;
  }
  CatchLeaseBreakSignal();
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
  if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) return true;
  // EAGAIN: another descriptor of the file is open. EACCES (not the owner,
  // no CAP_LEASE) and EINVAL (a file system without leases) leave the flock
  // as the only guard.
  if (errno == EAGAIN) {
    errno = EWOULDBLOCK;
    return false;
  }
  return errno == EACCES || errno == EINVAL || errno == ENOSYS;
}

bool PrepareBeside(int fd, const struct stat& st, OpenMode mode, const FileInfo& log) {
  if (st.st_nlink > 1) {
    errno = EMLINK;
    return false;
  }
  if (st.st_uid != log.owner && st.st_uid != geteuid()) {
    errno = EPERM;
    return false;
  }
  const mode_t current = st.st_mode & 07777;
  mode_t wanted = current & log.mode & 0777;
  if (mode == OpenMode::kCreateTruncate || mode == OpenMode::kCreateNew) {
    wanted = log.mode & 0777;
    if (RunningAsRoot()) {
      if ((st.st_uid != log.owner || st.st_gid != log.group) &&
          fchown(fd, log.owner, log.group) != 0)
        return false;
    } else if (st.st_gid != log.group && fchown(fd, static_cast<uid_t>(-1), log.group) != 0) {
      // Not a member of the log file's group: its group must not read the
      // copy through this file's group.
      wanted &= ~static_cast<mode_t>(070);
    }
  }
  if (wanted == current) return true;
  if (fchmod(fd, wanted) == 0) return true;
  // Someone else's file that is already no more open than wanted may stay.
  return errno == EPERM && (current & ~wanted) == 0;
}

bool SetPendingMark(int fd, bool pending) {
  if (pending) return fsetxattr(fd, kPendingName, kPendingValue, 1, 0) == 0;
  if (fremovexattr(fd, kPendingName) == 0) return true;
  if (errno != ENODATA) return false;
  return true;
}

bool GetPendingMark(int fd, bool& pending) {
  char value[8];
  // ERANGE: a longer value than this program writes, still a mark.
  if (fgetxattr(fd, kPendingName, value, sizeof value) >= 0 || errno == ERANGE) {
    pending = true;
    return true;
  }
  if (errno != ENODATA) return false;
  pending = false;
  return true;
}

}  // namespace quillet::platform
