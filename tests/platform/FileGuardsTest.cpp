#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

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
// other names or a foreign owner, never more open than the log file.
struct BesideCase {
  const char* name;
  OpenMode mode;
  mode_t log_mode;
  std::optional<mode_t> existing;  // mode of a file already there
  mode_t expected_mode = 0;
  int error = 0;
  bool extra_link = false;
  bool foreign_owner = false;  // existing file owned by another user (root only)
  bool log_of_other = false;   // log file owned by another user (root only)
};
void PrintTo(const BesideCase& c, std::ostream* os) { *os << c.name; }

class OpenBeside : public ::testing::TestWithParam<BesideCase> {};

TEST_P(OpenBeside, RefusesOrNarrowsAccess) {
  const BesideCase& c = GetParam();
  if ((c.foreign_owner || c.log_of_other) && geteuid() != 0) GTEST_SKIP() << "needs root";
  ScratchDir dir;
  const std::string log = dir.Native("a.log"), beside = dir.Native("a.qu$");
  WriteFile(log, "log");
  ASSERT_EQ(chmod(log.c_str(), c.log_mode), 0);
  if (c.log_of_other) {
    ASSERT_EQ(chown(log.c_str(), kOther, kOther), 0);
  }
  if (c.existing) {
    WriteFile(beside, "old");
    ASSERT_EQ(chmod(beside.c_str(), *c.existing), 0);
    if (c.extra_link) {
      ASSERT_EQ(link(beside.c_str(), dir.Native("other").c_str()), 0);
    }
    if (c.foreign_owner) {
      ASSERT_EQ(chown(beside.c_str(), kOther, kOther), 0);
    }
  }
  Opened opened = PosixFileSystem().OpenBeside(dir.Windows("a.qu$"), c.mode, InfoOf(log));
  if (c.error != 0) {
    EXPECT_FALSE(opened.file);
    EXPECT_EQ(opened.status.errno_value(), c.error);
    EXPECT_EQ(ReadFile(beside), "old");
    EXPECT_EQ(InfoOf(beside).mode, *c.existing);
    return;
  }
  ASSERT_TRUE(opened.file) << opened.status.error().message();
  EXPECT_TRUE(opened.file->Write("new", 3) && opened.file->Close());
  const FileInfo info = InfoOf(beside);
  EXPECT_EQ(info.mode, c.expected_mode);
  EXPECT_EQ(ReadFile(beside), c.mode == OpenMode::kAppend ? "oldnew" : "new");
  if (c.mode == OpenMode::kCreateTruncate) {
    EXPECT_EQ(info.owner, InfoOf(log).owner);
    EXPECT_EQ(info.group, InfoOf(log).group);
  }
}

constexpr auto kCreate = OpenMode::kCreateTruncate;
INSTANTIATE_TEST_SUITE_P(
    Cases, OpenBeside,
    ::testing::Values(
        BesideCase{"NewTakesLogMode", kCreate, 0640, std::nullopt, 0640},
        BesideCase{"ExistingNarrowedToLogMode", kCreate, 0640, 0666, 0640},
        BesideCase{"AppendNarrowed", OpenMode::kAppend, 0640, 0604, 0600},
        BesideCase{"ExtraLink", kCreate, 0644, 0644, 0, EMLINK, true},
        BesideCase{"ForeignOwner", kCreate, 0644, 0644, 0, EPERM, false, true},
        BesideCase{"NewTakesLogOwner", kCreate, 0640, std::nullopt, 0640, 0, false, false, true},
        BesideCase{"ExistingOfLogOwner", kCreate, 0600, 0644, 0600, 0, false, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A started program sees none of the files the layer holds open: each of
// their descriptors closes on exec.
TEST(FileLayer, EveryDescriptorClosesOnExec) {
  ScratchDir dir;
  FileSystem& fs = PosixFileSystem();
  for (const char* name : {"a.log", "b.def"}) WriteFile(dir.Native(name), "text");
  auto held = fs.Open(dir.Windows("a.log"), OpenMode::kHold).file;
  FileInfo log_info;
  ASSERT_TRUE(held && held->GetInfo(log_info));
  auto temp = fs.OpenBeside(dir.Windows("a.qu$"), OpenMode::kCreateTruncate, log_info).file;
  auto definitions = fs.Open(dir.Windows("b.def"), OpenMode::kRead).file;
  ASSERT_TRUE(temp && definitions);
  int seen = 0;
  DIR* fds = opendir("/proc/self/fd");
  ASSERT_NE(fds, nullptr);
  while (const dirent* entry = readdir(fds)) {
    char target[4096];
    const ssize_t n = readlinkat(dirfd(fds), entry->d_name, target, sizeof target - 1);
    if (n <= 0 || std::string(target, n).rfind(dir.native(), 0) != 0) continue;
    ++seen;
    EXPECT_NE(fcntl(atoi(entry->d_name), F_GETFD) & FD_CLOEXEC, 0) << std::string(target, n);
  }
  closedir(fds);
  EXPECT_GE(seen, 3);
}

// Without a lease (a user who does not own the file gets none) the lock
// alone must keep a second run out of a file that one run holds.
TEST(FileLayer, WithoutALeaseTheLockKeepsASecondHolderOut) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ScratchDir dir;
  WriteFile(dir.Native("a.log"), "text");
  ASSERT_EQ(chmod(dir.native().c_str(), 0755), 0);
  ASSERT_EQ(chmod(dir.Native("a.log").c_str(), 0666), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(kOther) != 0 || setuid(kOther) != 0) _exit(10);
    FileSystem& fs = PosixFileSystem();
    auto first = fs.Open(dir.Windows("a.log"), OpenMode::kHold).file;
    if (!first) _exit(11);
    const Opened second = fs.Open(dir.Windows("a.log"), OpenMode::kHold);
    _exit(second.file ? 12 : second.status.errno_value() == EWOULDBLOCK ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  // 11: the first hold failed; 12: the second got the file too.
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

}  // namespace
}  // namespace quillet::platform
