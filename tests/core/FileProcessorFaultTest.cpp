#include <gtest/gtest.h>

#include <cerrno>
#include <map>
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

Fault Open(const char* suffix, platform::OpenMode mode, int nth = 1) {
  Fault fault{Op::kOpen, suffix, nth};
  fault.any_mode = false;
  fault.mode = mode;
  return fault;
}
Fault Fail(Op op, const char* suffix, int nth = 1, int error = EIO) {
  return Fault{op, suffix, nth, error};
}

enum Setup { kPlain, kBack, kInc };
struct FaultCase {
  const char* name;
  std::vector<Fault> faults;
  int code;
  // app.log, app.qu$, app.inc afterwards: o original, p processed, e empty,
  // i old increment (also there before), j old increment then processed,
  // ? present, - absent.
  const char* files;
  Setup setup = kPlain;
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

// Opens of app.log in order: sniff (read-write 1), prior stamp (read 1),
// size before (read-write 2), copy source (read 2), rewrite, size after
// (read-write 3), stamp (read-write 4), increment source (read 3).
const FaultCase kFaults[] = {
    {"SniffOpen", {Open(".log", kReadWrite)}, frOpenError, "o--"},
    {"SniffRead", {Fail(Op::kRead, ".log")}, frOpenError, "o--"},
    {"PriorStampOpen", {Open(".log", kRead)}, frTimeStampError, "p--"},  // nothing to write back
    {"SizeBeforeOpen", {Open(".log", kReadWrite, 2)}, frOpenError, "o--"},
    {"CopySourceOpen", {Open(".log", kRead, 2)}, frOpenError, "o--"},
    {"TempCreate", {Open(".qu$", kCreateTruncate)}, frTempOpenError, "o--"},
    {"LogReadInCopy", {Fail(Op::kRead, ".log", 2)}, frOpenError, "o?-"},
    {"TempWriteNoSpace", {Fail(Op::kWrite, ".qu$", 1, ENOSPC)}, frTempOpenError, "o?-"},
    {"TempClose", {Fail(Op::kClose, ".qu$")}, frTempOpenError, "oo-"},
    {"TempSync", {Fail(Op::kSync, ".qu$")}, frTempOpenError, "oo-"},
    {"CopyCheckOpen", {Open(".qu$", kReadWrite)}, frTempOpenError, "oo-"},
    {"FilterSourceOpen", {Open(".qu$", kRead)}, frTempOpenError, "oo-"},
    {"LogRewriteOpen", {Open(".log", kCreateTruncate)}, frWriteError, "o--"},
    {"LogRewriteOpenWithBack", {Open(".log", kCreateTruncate)}, frWriteError, "oo-", kBack},
    // Failures after the truncation: the copy is put back under the log's name.
    {"LogWriteRestored", {Fail(Op::kWrite, ".log", 1, ENOSPC)}, frWriteError, "o--"},
    {"TempReadRestored", {Fail(Op::kRead, ".qu$")}, frWriteError, "o--"},
    {"LogSyncRestored", {Fail(Op::kSync, ".log")}, frWriteError, "o--"},
    // The 5th close of app.log ends the rewrite.
    {"LogCloseRestored", {Fail(Op::kClose, ".log", 5)}, frWriteError, "o--"},
    {"RestoreDeleteFails",
     {Fail(Op::kWrite, ".log"), Fail(Op::kDelete, ".log")},
     frRecoveryFailed,
     "eo-"},
    {"RestoreRenameFails",
     {Fail(Op::kWrite, ".log"), Fail(Op::kRename, ".qu$")},
     frRecoveryFailed,
     "-o-"},
    {"SizeAfterOpen", {Open(".log", kReadWrite, 3)}, frOpenError, "p--"},
    {"StampSet", {Fail(Op::kSetTime, ".log")}, frTimeStampError, "p--"},
    {"StampOpen", {Open(".log", kReadWrite, 4)}, frTimeStampError, "p--"},
    {"IncRename", {Fail(Op::kRename, ".log")}, frIncOpenError, "p--", kInc},
    {"IncOpen", {Open(".inc", kAppend)}, frIncOpenError, "p-i", kInc},
    {"IncSourceOpen", {Open(".log", kRead, 3)}, frOpenError, "p-i", kInc},
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
}

INSTANTIATE_TEST_SUITE_P(Rows, ProcessFileFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
