#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using platform::OpenMode;
using enum platform::OpenMode;
using testing::Fault;
using testing::FileExists;
using testing::FsOp;
using testing::ReadFile;

// Over 500 bytes, so that the binary sniff takes exactly one read.
const std::string kOriginalText = "noise\r\n" + std::string(600, 'k') + "\r\n";
const std::string kProcessedText = std::string(600, 'k') + "\r\n";
const std::string kOldIncrement = "old\r\n";

Fault OpenFails(const char* suffix, OpenMode mode, int nth = 1) {
  Fault fault{FsOp::kOpen, suffix, nth};
  fault.any_mode = false;
  fault.mode = mode;
  return fault;
}

Fault Fails(FsOp op, const char* suffix, int nth = 1, int error = EIO) {
  return Fault{op, suffix, nth, error};
}

enum LogAfter { kOriginal, kProcessed, kTruncated, kGone };
enum TempAfter { kNone, kPartial, kFullCopy };
enum IncAfter { kAbsent, kOld, kOldAndProcessed };

struct FaultCase {
  const char* name;
  std::vector<Fault> faults;
  int code;
  LogAfter log;
  TempAfter temp;
  bool inc = false;
  IncAfter inc_after = kAbsent;  // also what exists before the call
  bool back = false;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// Opens of app.log in order: sniff (read-write 1), prior stamp (read 1),
// size before (read-write 2), copy source (read 2), rewrite, size after
// (read-write 3), stamp (read-write 4), increment source (read 3).
const FaultCase kFaults[] = {
    {"SniffOpen", {OpenFails(".log", kReadWrite)}, frOpenError, kOriginal, kNone},
    {"SniffRead", {Fails(FsOp::kRead, ".log")}, frOpenError, kOriginal, kNone},
    // An unreadable prior stamp cannot be written back.
    {"PriorStampOpen", {OpenFails(".log", kRead)}, frTimeStampError, kProcessed, kNone},
    {"SizeBeforeOpen", {OpenFails(".log", kReadWrite, 2)}, frOpenError, kOriginal, kNone},
    {"CopySourceOpen", {OpenFails(".log", kRead, 2)}, frOpenError, kOriginal, kNone},
    {"TempCreate", {OpenFails(".qu$", kCreateTruncate)}, frTempOpenError, kOriginal, kNone},
    {"LogReadInCopy", {Fails(FsOp::kRead, ".log", 2)}, frOpenError, kOriginal, kPartial},
    {"TempWriteNoSpace",
     {Fails(FsOp::kWrite, ".qu$", 1, ENOSPC)},
     frTempOpenError,
     kOriginal,
     kPartial},
    {"TempClose", {Fails(FsOp::kClose, ".qu$")}, frTempOpenError, kOriginal, kFullCopy},
    {"TempSync", {Fails(FsOp::kSync, ".qu$")}, frTempOpenError, kOriginal, kFullCopy},
    {"CopyCheckOpen", {OpenFails(".qu$", kReadWrite)}, frTempOpenError, kOriginal, kFullCopy},
    {"FilterSourceOpen", {OpenFails(".qu$", kRead)}, frTempOpenError, kOriginal, kFullCopy},
    {"LogRewriteOpen", {OpenFails(".log", kCreateTruncate)}, frWriteError, kOriginal, kNone},
    {"LogRewriteOpenWithBack",
     {OpenFails(".log", kCreateTruncate)},
     frWriteError,
     kOriginal,
     kFullCopy,
     false,
     kAbsent,
     true},
    // Failures after the truncation: the copy is put back under the log's name.
    {"LogWriteRestored", {Fails(FsOp::kWrite, ".log", 1, ENOSPC)}, frWriteError, kOriginal, kNone},
    {"TempReadRestored", {Fails(FsOp::kRead, ".qu$")}, frWriteError, kOriginal, kNone},
    {"LogSyncRestored", {Fails(FsOp::kSync, ".log")}, frWriteError, kOriginal, kNone},
    // The fifth close of app.log ends the rewrite (after sniff, prior stamp,
    // size before and copy source).
    {"LogCloseRestored", {Fails(FsOp::kClose, ".log", 5)}, frWriteError, kOriginal, kNone},
    {"RestoreDeleteFails",
     {Fails(FsOp::kWrite, ".log"), Fails(FsOp::kDelete, ".log")},
     frRecoveryFailed,
     kTruncated,
     kFullCopy},
    {"RestoreRenameFails",
     {Fails(FsOp::kWrite, ".log"), Fails(FsOp::kRename, ".qu$")},
     frRecoveryFailed,
     kGone,
     kFullCopy},
    {"SizeAfterOpen", {OpenFails(".log", kReadWrite, 3)}, frOpenError, kProcessed, kNone},
    {"StampSet", {Fails(FsOp::kSetTime, ".log")}, frTimeStampError, kProcessed, kNone},
    {"StampOpen", {OpenFails(".log", kReadWrite, 4)}, frTimeStampError, kProcessed, kNone},
    {"IncRename", {Fails(FsOp::kRename, ".log")}, frIncOpenError, kProcessed, kNone, true, kAbsent},
    {"IncOpen", {OpenFails(".inc", kAppend)}, frIncOpenError, kProcessed, kNone, true, kOld},
    {"IncSourceOpen", {OpenFails(".log", kRead, 3)}, frOpenError, kProcessed, kNone, true, kOld},
    {"IncWrite",
     {Fails(FsOp::kWrite, ".inc", 1, ENOSPC)},
     frIncrementError,
     kProcessed,
     kNone,
     true,
     kOld},
    // The log file goes only once its text is on disk in the increment file.
    {"IncSync",
     {Fails(FsOp::kSync, ".inc")},
     frIncrementError,
     kProcessed,
     kNone,
     true,
     kOldAndProcessed},
    {"IncStamp",
     {Fails(FsOp::kSetTime, ".inc")},
     frTimeStampError,
     kGone,
     kNone,
     true,
     kOldAndProcessed},
    {"IncStampOpen",
     {OpenFails(".inc", kReadWrite)},
     frTimeStampError,
     kGone,
     kNone,
     true,
     kOldAndProcessed},
};

class ProcessFileFaults : public ::testing::TestWithParam<FaultCase> {
 protected:
  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_{g_, fs_, rec_, dir_.windows() + "\\", kDefaultBlockBytes};
};

TEST_P(ProcessFileFaults, ReturnsCodeAndLeavesFilesAsTheyShouldBe) {
  const FaultCase& c = GetParam();
  g_.options.Skip = false;
  g_.options.TimeZ = false;
  g_.options.Inc = c.inc;
  g_.options.Back = c.back;
  g_.definitions.Entries = {{"noise*", ""}};
  const std::string log = dir_.Native("app.log");
  const std::string temp = dir_.Native("app.qu$");
  const std::string inc = dir_.Native("app.inc");
  testing::WriteFile(log, kOriginalText);
  if (c.inc_after != kAbsent) testing::WriteFile(inc, kOldIncrement);
  for (const Fault& fault : c.faults) fs_.Add(fault);

  std::int64_t before = 0, after = 0;
  EXPECT_EQ(ProcessFile(engine_, dir_.Windows("app.log"), before, after), c.code);
  for (std::size_t i = 0; i < c.faults.size(); ++i) EXPECT_TRUE(fs_.Fired(i)) << "fault " << i;

  switch (c.log) {
    case LogAfter::kOriginal:
      EXPECT_EQ(ReadFile(log), kOriginalText);
      break;
    case LogAfter::kProcessed:
      EXPECT_EQ(ReadFile(log), kProcessedText);
      break;
    case LogAfter::kTruncated:
      EXPECT_EQ(ReadFile(log), "");
      break;
    case LogAfter::kGone:
      EXPECT_FALSE(FileExists(log));
      break;
  }
  EXPECT_EQ(FileExists(temp), c.temp != kNone);
  if (c.temp == kFullCopy) {
    EXPECT_EQ(ReadFile(temp), kOriginalText);
  }
  switch (c.inc_after) {
    case IncAfter::kAbsent:
      EXPECT_FALSE(FileExists(inc));
      break;
    case IncAfter::kOld:
      EXPECT_EQ(ReadFile(inc), kOldIncrement);
      break;
    case IncAfter::kOldAndProcessed:
      EXPECT_EQ(ReadFile(inc), kOldIncrement + kProcessedText);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ProcessFileFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
