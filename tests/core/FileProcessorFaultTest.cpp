// What a failing call, or what is found at or beside the log file, makes of
// one file's processing: the code returned, the note, and every file after.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/ResultCodes.h"
#include "tests/core/ProcessFileFixture.h"

namespace quillet {
namespace {

using enum platform::OpenMode;
using enum RefusalReason;
using testing::Fault;
using testing::ReadFile;
using Op = testing::FsOp;

Fault Open(const char* suffix, platform::OpenMode mode, int nth = 1, int error = EIO) {
  return {Op::kOpen, suffix, nth, error, mode};
}
Fault Fail(Op op, const char* suffix, int nth = 1, int error = EIO) {
  return {op, suffix, nth, error};
}
const Fault kNoMarks = Fail(Op::kGetPending, ".qu$", 1, ENOTSUP);

// The texts of the files: o the log's (over 500 bytes, so that the binary
// sniff takes one read), p it processed, a a partial log, s a stale copy
// longer than o, i an old increment file, j that with p appended, e empty.
const std::map<char, std::string> kTexts = {{'o', "noise\r\n" + std::string(600, 'k') + "\r\n"},
                                            {'p', std::string(600, 'k') + "\r\n"},
                                            {'a', "kk\r\n"},
                                            {'s', std::string(700, 's') + "\r\n"},
                                            {'i', "old\r\n"},
                                            {'j', "old\r\n" + std::string(600, 'k') + "\r\n"},
                                            {'e', ""}};

enum Setup { kPlain, kBack, kInc };
struct FaultCase {
  const char* name;
  std::vector<Fault> faults;
  int code;
  // app.log, app.qu$, app.inc afterwards by the letters of kTexts, ? present
  // or - absent; then m when app.qu$ keeps the pending mark. app.inc is
  // there before (as i) when it is there after.
  const char* files;
  Setup setup = kPlain;
  // Where set, the one note names the reason and errno of the call that
  // failed first, even when the clean-up after it fails too.
  std::optional<RefusalReason> reason = std::nullopt;
  // app.log and app.qu$ before; then m: app.qu$ is marked, L, Q or I: app.log,
  // app.qu$ or app.inc has a second name "other", h: app.log is held by
  // another run, r: app.log is open in another program.
  const char* before = "o-";
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// Calls on app.log, all through the one held descriptor: hold, info, sniff
// read, prior stamp, size before, seek 1 and reads of the copy, seek 2,
// truncate, writes and sync of the rewrite, size after, stamp, and
// seek 3 and reads of the increment step. On app.qu$: the open that looks
// for a left copy (read 1), the create, mark, sync, the size check (read-
// write) and the filter source (read 2); the flush of its folder.
const FaultCase kFaults[] = {
    {"HoldRefused", {Open(".log", kHold, 1, EWOULDBLOCK)}, frOpenError, "o--", kPlain, kHeldOpen},
    {"LogInfo", {Fail(Op::kGetInfo, ".log")}, frOpenError, "o--"},
    {"SniffRead", {Fail(Op::kRead, ".log")}, frOpenError, "o--", kPlain, kSystemError},
    {"PriorStampRead", {Fail(Op::kGetTime, ".log")}, frTimeStampError, "p--"},  // nothing to set
    {"Size", {Fail(Op::kSize, ".log", 1, EOVERFLOW)}, frOpenError, "o--", kPlain, kSystemError},
    {"CopySeek", {Fail(Op::kSeek, ".log")}, frOpenError, "o--"},
    {"LeftCopyUnreadable", {Open(".qu$", kRead)}, frTempOpenError, "o--"},
    {"TempCreate", {Open(".qu$", kCreateTruncate)}, frTempOpenError, "o--"},
    {"TempLink", {Open(".qu$", kCreateTruncate, 1, ELOOP)}, frTempOpenError, "o--", kPlain, kLink},
    {"LogReadInCopy", {Fail(Op::kRead, ".log", 2)}, frOpenError, "o?-"},
    {"CopyReadThenTempClose",
     {Fail(Op::kRead, ".log", 2), Fail(Op::kClose, ".qu$", 1, EACCES)},
     frOpenError,
     "o?-",
     kPlain,
     kUnknown},
    {"TempWriteNoSpace", {Fail(Op::kWrite, ".qu$", 1, ENOSPC)}, frTempOpenError, "o?-"},
    {"TempMark", {Fail(Op::kSetPending, ".qu$", 1, EDQUOT)}, frTempOpenError, "oo-"},
    // Without marks the run goes on; a later run then refuses a left copy.
    {"TempMarkUnsupported", {Fail(Op::kSetPending, ".qu$", 1, ENOTSUP)}, frDone, "p--"},
    {"TempSync", {Fail(Op::kSync, ".qu$")}, frTempOpenError, "oo-"},
    {"TempSyncThenUnmark",
     {Fail(Op::kSync, ".qu$"), Fail(Op::kSetPending, ".qu$", 2, EACCES)},
     frTempOpenError,
     "oo-m",
     kPlain,
     kUnknown},
    // A copy whose name may not survive a power loss is no copy.
    {"TempFolderFlush", {Fail(Op::kSyncParent, ".qu$")}, frTempOpenError, "oo-"},
    // The log file is whole, but a marked copy can no longer be told apart
    // from one left by a killed rewrite: the next run refuses the file.
    {"TempClose", {Fail(Op::kClose, ".qu$")}, frTempOpenError, "oo-m"},
    {"CopyCheckOpen", {Open(".qu$", kReadWrite)}, frTempOpenError, "oo-m"},
    {"FilterSourceOpen", {Open(".qu$", kRead, 2)}, frTempOpenError, "oo-m"},
    {"LogTruncate", {Fail(Op::kTruncate, ".log")}, frWriteError, "o--"},
    {"LogTruncateWithBack", {Fail(Op::kTruncate, ".log")}, frWriteError, "oo-", kBack},
    // Failures after the truncation: the copy is put back under the log's name.
    {"LogWriteRestored", {Fail(Op::kWrite, ".log", 1, ENOSPC)}, frWriteError, "o--"},
    {"TempReadRestored", {Fail(Op::kRead, ".qu$")}, frWriteError, "o--"},
    {"LogSyncRestored", {Fail(Op::kSync, ".log")}, frWriteError, "o--"},
    {"RestoreDeleteFails",
     {Fail(Op::kWrite, ".log"), Fail(Op::kDelete, ".log")},
     frRecoveryFailed,
     "eo-m"},
    {"RestoreRenameFails",
     {Fail(Op::kWrite, ".log"), Fail(Op::kRename, ".qu$")},
     frRecoveryFailed,
     "-o-m"},
    {"SizeAfter", {Fail(Op::kSize, ".log", 2)}, frOpenError, "p--"},
    {"StampSet", {Fail(Op::kSetTime, ".log")}, frTimeStampError, "p--"},
    {"BackKeepsNoMark", {}, frDone, "po-", kBack},
    {"IncRename", {Fail(Op::kRename, ".log")}, frIncOpenError, "p--", kInc},
    {"IncOpen", {Open(".inc", kAppend)}, frIncOpenError, "p-i", kInc},
    {"IncSourceSeek", {Fail(Op::kSeek, ".log", 3)}, frOpenError, "p-i", kInc},
    {"IncWrite", {Fail(Op::kWrite, ".inc", 1, ENOSPC)}, frIncrementError, "p-i", kInc},
    // The log file goes only once its text is on disk in the increment file.
    {"IncSync", {Fail(Op::kSync, ".inc")}, frIncrementError, "p-j", kInc},
    {"IncStamp", {Fail(Op::kSetTime, ".inc")}, frTimeStampError, "--j", kInc},
    {"IncStampOpen", {Open(".inc", kReadWrite)}, frTimeStampError, "--j", kInc},
    // A marked copy may hold the only whole text: neither file is touched.
    {"MarkedCopyIsKept", {}, frTempOpenError, "ao-m", kPlain, kPendingCopy, "aom"},
    {"MarkedCopyIsKeptWithBack", {}, frTempOpenError, "ao-m", kBack, kPendingCopy, "aom"},
    {"StaleCopyIsReplaced", {}, frDone, "p--", kPlain, {}, "os"},
    // Without marks a left copy cannot be told from a killed run's, unless
    // Back keeps copies anyway.
    {"UnmarkableCopyIsKept", {kNoMarks}, frTempOpenError, "os-", kPlain, kUnmarkedCopy, "os"},
    {"UnmarkableBackupIsReplaced", {kNoMarks}, frDone, "po-", kBack, {}, "os"},
    // A rewrite through one name would change the file's other names too.
    {"LinkedCopyIsRefused", {}, frTempOpenError, "os-", kPlain, kHardLinks, "osQ"},
    {"LinkedIncrementFileIsRefused", {}, frIncOpenError, "p-i", kInc, {}, "o-I"},
    {"LinkedLogIsRefused", {}, frOpenError, "o--", kPlain, kHardLinks, "o-L"},
    {"LogHeldByAnotherRunIsRefused", {}, frOpenError, "o--", kPlain, kHeldOpen, "o-h"},
    {"LogOpenInAnotherProgramIsRefused", {}, frOpenError, "o--", kPlain, kHeldOpen, "o-r"},
};

class ProcessFileFaults : public ProcessFileTest,
                          public ::testing::WithParamInterface<FaultCase> {};

void ExpectFile(const std::string& path, char state) {
  if (state == '-' || state == '?') {
    EXPECT_EQ(testing::FileExists(path), state == '?') << path;
  } else {
    EXPECT_EQ(ReadFile(path), kTexts.at(state)) << path;
  }
}

TEST_P(ProcessFileFaults, ReturnsCodeAndLeavesFilesAsTheyShouldBe) {
  const FaultCase& c = GetParam();
  g_.options.Inc = c.setup == kInc;
  g_.options.Back = c.setup == kBack;
  testing::WriteFile(Native("app.log"), kTexts.at(c.before[0]));
  if (c.before[1] != '-') testing::WriteFile(Native("app.qu$"), kTexts.at(c.before[1]));
  const char extra = c.before[2];
  if (extra == 'm') {
    ASSERT_EQ(setxattr(Native("app.qu$").c_str(), "user.quillet.pending", "1", 1, 0), 0);
  }
  if (c.files[2] != '-') testing::WriteFile(Native("app.inc"), kTexts.at('i'));
  const std::string linked = extra == 'L'   ? "app.log"
                             : extra == 'Q' ? "app.qu$"
                             : extra == 'I' ? "app.inc"
                                            : "";
  if (!linked.empty()) {
    ASSERT_EQ(link(Native(linked).c_str(), Native("other").c_str()), 0);
  }
  const std::string linked_text = linked.empty() ? "" : ReadFile(Native(linked));
  for (const Fault& fault : c.faults) fs_.Add(fault);
  std::unique_ptr<platform::File> other_run;
  if (extra == 'h')
    other_run = platform::PosixFileSystem().Open(dir_.Windows("app.log"), kHold).file;
  ASSERT_EQ(other_run != nullptr, extra == 'h');
  // Without a write lease only other runs are kept out.
  if (extra == 'r' && !testing::LeasesGranted(dir_)) GTEST_SKIP() << "no file leases here";
  const int reader = extra == 'r' ? open(Native("app.log").c_str(), O_RDONLY | O_CLOEXEC) : -1;

  EXPECT_EQ(Process("app.log"), c.code);
  other_run.reset();
  if (reader >= 0) close(reader);
  for (std::size_t i = 0; i < c.faults.size(); ++i) EXPECT_TRUE(fs_.Fired(i)) << "fault " << i;
  ExpectFile(Native("app.log"), c.files[0]);
  ExpectFile(Native("app.qu$"), c.files[1]);
  ExpectFile(Native("app.inc"), c.files[2]);
  EXPECT_EQ(testing::HasPendingMark(Native("app.qu$")), c.files[3] == 'm');
  EXPECT_FALSE(testing::HasPendingMark(Native("app.log")));
  if (!linked.empty()) {
    EXPECT_EQ(ReadFile(Native("other")), linked_text);
  }
  if (!c.reason) return;
  ASSERT_EQ(rec_.notes.size(), 1u);
  const auto& n = rec_.notes[0];
  const std::string other = c.code == frTempOpenError ? dir_.Windows("app.qu$") : "";
  EXPECT_EQ(
      std::tie(n.kind, n.path, n.other, n.code, n.reason),
      std::tuple(RunNote::Kind::kFileRefused, dir_.Windows("app.log"), other, c.code, *c.reason));
  if (!c.faults.empty()) {
    EXPECT_EQ(n.error, *c.reason == kUnmarkedCopy ? 0 : c.faults[0].error);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ProcessFileFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// A failed rewrite puts the copy back under the log file's name: it must
// carry the log's mode and (where the test may give the log away) owner.
TEST_F(ProcessFileTest, RestoredLogKeepsItsOwnerAndMode) {
  const bool root = geteuid() == 0;
  testing::WriteFile(Native("app.log"), "a\r\nnoise\r\n");
  if (root) {
    ASSERT_EQ(chown(Native("app.log").c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(Native("app.log").c_str(), 0640), 0);
  fs_.Add(Fail(Op::kWrite, ".log", 1, ENOSPC));
  EXPECT_EQ(Process("app.log"), frWriteError);
  struct stat st {};
  ASSERT_EQ(stat(Native("app.log").c_str(), &st), 0);
  EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777),
            std::tuple(root ? 65534u : geteuid(), root ? 65534u : getegid(), 0640u));
}

}  // namespace
}  // namespace quillet
