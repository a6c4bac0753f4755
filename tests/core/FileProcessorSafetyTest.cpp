#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::FileExists;
using testing::HasPendingMark;
using testing::ReadFile;
using testing::WriteFile;

const std::string kText = "a\r\nnoise\r\nb\r\n";
const std::string kDone = "a\r\nb\r\n";
// Longer than kText: a copy written over it without cutting it first would
// keep its tail.
const std::string kStale = "stale text left by an earlier run\r\n";

class ProcessFileSafety : public ::testing::Test {
 protected:
  ProcessFileSafety() {
    g_.options.Skip = false;
    g_.definitions.Entries = {{"noise*", ""}};
  }
  int Process() {
    std::int64_t before = 0, after = 0;
    return ProcessFile(engine_, dir_.Windows("app.log"), before, after);
  }
  std::string Native(const char* name) const { return dir_.Native(name); }

  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_{g_, fs_, rec_, dir_.windows() + "\\"};
};

// What is found beside or at the log file before the run.
enum class Found {
  kMarkedCopy,    // app.qu$ holds the whole text and the mark; app.log is partial
  kStaleCopy,     // app.qu$ without the mark, left by a failed copy pass
  kCopyNoMarks,   // app.qu$ on a file system without marks
  kCopyLinked,    // app.qu$ has a second name
  kIncLinked,     // app.inc has a second name
  kLogLinked,     // app.log has a second name
  kLogHeldByRun,  // another run holds app.log
};
struct GuardCase {
  const char* name;
  Found found;
  bool back;
  int code;
  const char* log;   // app.log afterwards; "" = as before
  const char* temp;  // app.qu$ afterwards; null = absent
  // Why a 257 or 258 was given, and whether the reason concerns app.qu$.
  RefusalReason reason = RefusalReason::kUnknown;
  bool about_copy = false;
};
void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

class ProcessFileGuards : public ProcessFileSafety,
                          public ::testing::WithParamInterface<GuardCase> {};

TEST_P(ProcessFileGuards, NeverOverwritesWhatItMustKeep) {
  const GuardCase& c = GetParam();
  g_.options.Back = c.back;
  g_.options.Inc = c.found == Found::kIncLinked;
  const std::string partial = "a\r\n";
  WriteFile(Native("app.log"), c.found == Found::kMarkedCopy ? partial : kText);
  std::unique_ptr<platform::File> other_run;
  switch (c.found) {
    case Found::kMarkedCopy:
      WriteFile(Native("app.qu$"), kText);
      ASSERT_EQ(setxattr(Native("app.qu$").c_str(), "user.quillet.pending", "1", 1, 0), 0);
      break;
    case Found::kCopyNoMarks:
      fs_.Add(testing::Fault{testing::FsOp::kGetPending, ".qu$", 1, ENOTSUP});
      [[fallthrough]];
    case Found::kStaleCopy:
    case Found::kCopyLinked:
      WriteFile(Native("app.qu$"), kStale);
      break;
    case Found::kIncLinked:
      WriteFile(Native("app.inc"), kStale);
      break;
    case Found::kLogLinked:
    case Found::kLogHeldByRun:
      break;
  }
  if (c.found == Found::kCopyLinked || c.found == Found::kIncLinked ||
      c.found == Found::kLogLinked) {
    const char* target = c.found == Found::kCopyLinked  ? "app.qu$"
                         : c.found == Found::kIncLinked ? "app.inc"
                                                        : "app.log";
    ASSERT_EQ(link(Native(target).c_str(), Native("other").c_str()), 0);
  }
  if (c.found == Found::kLogHeldByRun) {
    other_run = fs_.Open(dir_.Windows("app.log"), platform::OpenMode::kHold).file;
    ASSERT_TRUE(other_run);
  }

  EXPECT_EQ(Process(), c.code);
  other_run.reset();
  if (c.code == frOpenError || c.code == frTempOpenError) {
    ASSERT_EQ(rec_.notes.size(), 1u);
    EXPECT_EQ(rec_.notes[0].kind, RunNote::Kind::kFileRefused);
    EXPECT_EQ(rec_.notes[0].path, dir_.Windows("app.log"));
    EXPECT_EQ(rec_.notes[0].code, c.code);
    EXPECT_EQ(rec_.notes[0].reason, c.reason);
    EXPECT_EQ(rec_.notes[0].other, c.about_copy ? dir_.Windows("app.qu$") : "");
  } else {
    EXPECT_TRUE(rec_.notes.empty());
  }
  const std::string log_before = c.found == Found::kMarkedCopy ? partial : kText;
  EXPECT_EQ(ReadFile(Native("app.log")), *c.log ? std::string(c.log) : log_before);
  if (c.temp) {
    EXPECT_EQ(ReadFile(Native("app.qu$")), c.temp);
  } else {
    EXPECT_FALSE(FileExists(Native("app.qu$")));
  }
  if (c.found == Found::kMarkedCopy) {
    EXPECT_TRUE(HasPendingMark(Native("app.qu$")));
  }
  if (FileExists(Native("other"))) {
    EXPECT_EQ(ReadFile(Native("other")), c.found == Found::kLogLinked ? kText : kStale);
  }
}

const GuardCase kGuards[] = {
    {"MarkedCopyIsKept", Found::kMarkedCopy, false, frTempOpenError, "", kText.c_str(),
     RefusalReason::kPendingCopy, true},
    {"MarkedCopyIsKeptWithBack", Found::kMarkedCopy, true, frTempOpenError, "", kText.c_str(),
     RefusalReason::kPendingCopy, true},
    {"StaleCopyIsReplaced", Found::kStaleCopy, false, frDone, kDone.c_str(), nullptr},
    // Without marks a left copy cannot be told from a killed run's, unless
    // Back keeps copies anyway.
    {"UnmarkableCopyIsKept", Found::kCopyNoMarks, false, frTempOpenError, "", kStale.c_str(),
     RefusalReason::kUnmarkedCopy, true},
    {"UnmarkableBackupIsReplaced", Found::kCopyNoMarks, true, frDone, kDone.c_str(), kText.c_str()},
    {"LinkedCopyIsRefused", Found::kCopyLinked, false, frTempOpenError, "", kStale.c_str(),
     RefusalReason::kHardLinks, true},
    {"LinkedIncrementFileIsRefused", Found::kIncLinked, false, frIncOpenError, kDone.c_str(),
     nullptr},
    {"LinkedLogIsRefused", Found::kLogLinked, false, frOpenError, "", nullptr,
     RefusalReason::kHardLinks},
    {"LogHeldByAnotherRunIsRefused", Found::kLogHeldByRun, false, frOpenError, "", nullptr,
     RefusalReason::kHeldOpen},
};

INSTANTIATE_TEST_SUITE_P(Found, ProcessFileGuards, ::testing::ValuesIn(kGuards),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProcessFileSafety, RestoredLogKeepsItsOwnerAndMode) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the log file to another user";
  WriteFile(Native("app.log"), kText);
  ASSERT_EQ(chown(Native("app.log").c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(Native("app.log").c_str(), 0640), 0);
  fs_.Add(testing::Fault{testing::FsOp::kWrite, ".log", 1, ENOSPC});
  EXPECT_EQ(Process(), frWriteError);
  struct stat st {};
  ASSERT_EQ(stat(Native("app.log").c_str(), &st), 0);
  EXPECT_EQ(ReadFile(Native("app.log")), kText);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(HasPendingMark(Native("app.log")));
}

}  // namespace
}  // namespace quillet
