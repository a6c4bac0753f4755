#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using enum platform::OpenMode;
using testing::Fault;
using Op = testing::FsOp;

// Over 500 bytes, so that the binary sniff takes exactly one read.
const std::string kOriginal = "noise\r\n" + std::string(600, 'k') + "\r\n";
const std::string kProcessed = std::string(600, 'k') + "\r\n";
const std::string kOldInc = "old\r\n";

Fault Open(const char* suffix, platform::OpenMode mode, int nth = 1, int error = EIO) {
  Fault fault{Op::kOpen, suffix, nth, error};
  fault.any_mode = false;
  fault.mode = mode;
  return fault;
}
Fault Fail(Op op, const char* suffix, int nth = 1, int error = EIO) {
  return Fault{op, suffix, nth, error};
}

enum Setup { kPlain, kBack, kInc };
using enum RefusalReason;
struct FaultCase {
  const char* name;
  std::vector<Fault> faults;
  int code;
  // app.log, app.qu$, app.inc afterwards: o original, p processed, e empty,
  // i old increment (also there before), j old increment then processed,
  // ? present, - absent; then m when app.qu$ keeps the pending mark.
  const char* files;
  Setup setup = kPlain;
  // Where set, the one note names the reason and errno of the call that
  // failed first, even when the clean-up after it fails too.
  std::optional<RefusalReason> reason = std::nullopt;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

void ExpectFile(const std::string& path, char state) {
  const std::map<char, std::string> texts = {
      {'o', kOriginal}, {'p', kProcessed}, {'e', ""}, {'i', kOldInc}, {'j', kOldInc + kProcessed}};
  if (state == '-' || state == '?') {
    EXPECT_EQ(testing::FileExists(path), state == '?') << path;
  } else {
    EXPECT_EQ(testing::ReadFile(path), texts.at(state)) << path;
  }
}

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
};

class ProcessFileFaults : public ::testing::TestWithParam<FaultCase> {
 protected:
  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_{g_, fs_, rec_, dir_.windows() + "\\"};
};

TEST_P(ProcessFileFaults, ReturnsCodeAndLeavesFilesAsTheyShouldBe) {
  const FaultCase& c = GetParam();
  g_.options.Skip = g_.options.TimeZ = false;
  g_.options.Inc = c.setup == kInc;
  g_.options.Back = c.setup == kBack;
  g_.definitions.Entries = {{"noise*", ""}};
  testing::WriteFile(dir_.Native("app.log"), kOriginal);
  if (c.files[2] != '-') testing::WriteFile(dir_.Native("app.inc"), kOldInc);
  for (const Fault& fault : c.faults) fs_.Add(fault);

  std::int64_t before = 0, after = 0;
  EXPECT_EQ(ProcessFile(engine_, dir_.Windows("app.log"), before, after), c.code);
  for (std::size_t i = 0; i < c.faults.size(); ++i) EXPECT_TRUE(fs_.Fired(i)) << "fault " << i;
  ExpectFile(dir_.Native("app.log"), c.files[0]);
  ExpectFile(dir_.Native("app.qu$"), c.files[1]);
  ExpectFile(dir_.Native("app.inc"), c.files[2]);
  EXPECT_EQ(testing::HasPendingMark(dir_.Native("app.qu$")), c.files[3] == 'm');
  EXPECT_FALSE(testing::HasPendingMark(dir_.Native("app.log")));
  if (!c.reason) return;
  ASSERT_EQ(rec_.notes.size(), 1u);
  EXPECT_EQ(rec_.notes[0].reason, *c.reason);
  EXPECT_EQ(rec_.notes[0].error, c.faults[0].error);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProcessFileFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
