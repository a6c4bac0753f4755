#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/FileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;
using quillet::testing::WriteFile;

constexpr uid_t kOther = 65534;  // nobody

FileInfo InfoOf(const std::string& native) {
  struct stat st {};
  EXPECT_EQ(stat(native.c_str(), &st), 0) << native;
  return FileInfo{st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 07777), st.st_nlink};
}

// Temporary and increment files beside a log file: refused when they have
// other links or a foreign owner, never more open than the log file, and
// owned by the log file's owner.
TEST(FileGuards, OpenBesideRefusesOrNarrowsAccess) {
  enum { kExtraLink = 1, kForeignOwner = 2, kLogOfOther = 4 };  // kOther owns the file
  constexpr auto kCreate = OpenMode::kCreateTruncate;
  const struct {
    OpenMode mode;
    mode_t log_mode, existing, expected;  // existing 0: no file there before
    int error, setup;
  } cases[] = {{kCreate, 0640, 0, 0640, 0, 0},
               {kCreate, 0640, 0666, 0640, 0, 0},
               {OpenMode::kAppend, 0640, 0604, 0600, 0, 0},
               {kCreate, 0644, 0644, 0, EMLINK, kExtraLink},
               {kCreate, 0644, 0644, 0, EPERM, kForeignOwner},
               {kCreate, 0640, 0, 0640, 0, kLogOfOther},
               {kCreate, 0600, 0644, 0600, 0, kForeignOwner | kLogOfOther}};
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(++row);
    if ((c.setup & (kForeignOwner | kLogOfOther)) != 0 && geteuid() != 0) continue;  // not root
    ScratchDir dir;
    const std::string log = dir.Native("a.log"), beside = dir.Native("a.qu$");
    WriteFile(log, "log");
    ASSERT_EQ(chmod(log.c_str(), c.log_mode), 0);
    ASSERT_EQ(c.setup & kLogOfOther ? chown(log.c_str(), kOther, kOther) : 0, 0);
    if (c.existing != 0) {
      WriteFile(beside, "old");
      ASSERT_EQ(chmod(beside.c_str(), c.existing), 0);
      ASSERT_EQ(c.setup & kExtraLink ? link(beside.c_str(), dir.Native("b").c_str()) : 0, 0);
      ASSERT_EQ(c.setup & kForeignOwner ? chown(beside.c_str(), kOther, kOther) : 0, 0);
    }
    Opened opened = PosixFileSystem().OpenBeside(dir.Windows("a.qu$"), c.mode, InfoOf(log));
    if (c.error != 0) {
      EXPECT_FALSE(opened.file);
      EXPECT_EQ(opened.status.errno_value(), c.error);
      EXPECT_EQ(ReadFile(beside), "old");
      EXPECT_EQ(InfoOf(beside).mode, c.existing);
      continue;
    }
    ASSERT_TRUE(opened.file) << opened.status.error().message();
    EXPECT_TRUE(opened.file->Write("new", 3) && opened.file->Close());
    const FileInfo info = InfoOf(beside), log_info = InfoOf(log);
    EXPECT_EQ(info.mode, c.expected);
    EXPECT_EQ(ReadFile(beside), c.mode == kCreate ? "new" : "oldnew");
    EXPECT_EQ(std::pair(info.owner, info.group), std::pair(log_info.owner, log_info.group));
  }
}

// Without a lease (a user who does not own the file gets none) the lock
// alone must keep a second run out of a file that one run holds.
TEST(FileLayer, WithoutALeaseTheLockKeepsASecondHolderOut) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ScratchDir dir;
  WriteFile(dir.Native("a.log"), "text");
  ASSERT_EQ(chmod(dir.native().c_str(), 0755) | chmod(dir.Native("a.log").c_str(), 0666), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // 11: the first hold failed; 12: the second got the file too
    if (setgid(kOther) != 0 || setuid(kOther) != 0) _exit(10);
    auto first = PosixFileSystem().Open(dir.Windows("a.log"), OpenMode::kHold).file;
    const Opened second = PosixFileSystem().Open(dir.Windows("a.log"), OpenMode::kHold);
    _exit(!first ? 11 : second.file ? 12 : second.status.errno_value() == EWOULDBLOCK ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

}  // namespace
}  // namespace quillet::platform
