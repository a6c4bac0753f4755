#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "core/ResultCodes.h"
#include "tests/core/ProcessFileFixture.h"
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

class ProcessFileSafety : public ProcessFileTest {
 protected:
  int Process() { return ProcessFileTest::Process("app.log"); }
};

// What is found beside or at the log file before the run, and what must
// come of it. A marked copy holds the whole text while app.log is partial; a
// stale one (longer than the text) was left by a failed copy pass.
struct GuardCase {
  const char* name;
  bool back;
  const char* copy;    // app.qu$ before: kText marked pending, kStale unmarked, or null
  bool no_marks;       // the file system keeps no marks
  const char* linked;  // the file given a second name "other", or null
  int held;            // app.log is open: 1 held by another run, 2 read by another program
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
  const bool marked = c.copy != nullptr && c.copy == kText;
  const std::string log_before = marked ? "a\r\n" : kText;
  const std::string linked = c.linked ? c.linked : "";
  g_.options.Back = c.back;
  g_.options.Inc = linked == "app.inc";
  WriteFile(Native("app.log"), log_before);
  if (c.copy) WriteFile(Native("app.qu$"), c.copy);
  if (marked) {
    ASSERT_EQ(setxattr(Native("app.qu$").c_str(), "user.quillet.pending", "1", 1, 0), 0);
  }
  if (c.no_marks) fs_.Add(testing::Fault{testing::FsOp::kGetPending, ".qu$", 1, ENOTSUP});
  if (g_.options.Inc) WriteFile(Native("app.inc"), kStale);
  if (c.linked) {
    ASSERT_EQ(link(Native(c.linked).c_str(), Native("other").c_str()), 0);
  }
  std::unique_ptr<platform::File> other_run;
  if (c.held == 1) other_run = fs_.Open(dir_.Windows("app.log"), platform::OpenMode::kHold).file;
  ASSERT_EQ(other_run != nullptr, c.held == 1);
  // Without a write lease only other runs are kept out.
  if (c.held == 2 && !testing::LeasesGranted(dir_)) GTEST_SKIP() << "no file leases here";
  const int reader = c.held == 2 ? open(Native("app.log").c_str(), O_RDONLY | O_CLOEXEC) : -1;

  EXPECT_EQ(Process(), c.code);
  other_run.reset();
  if (reader >= 0) close(reader);
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
  EXPECT_EQ(ReadFile(Native("app.log")), *c.log ? std::string(c.log) : log_before);
  EXPECT_EQ(FileExists(Native("app.qu$")), c.temp != nullptr);
  if (c.temp) {
    EXPECT_EQ(ReadFile(Native("app.qu$")), c.temp);
  }
  if (marked) {
    EXPECT_TRUE(HasPendingMark(Native("app.qu$")));
  }
  if (c.linked) {
    EXPECT_EQ(ReadFile(Native("other")), linked == "app.log" ? kText : kStale);
  }
}

const char* const kT = kText.c_str();
const char* const kS = kStale.c_str();
const char* const kD = kDone.c_str();
const GuardCase kGuards[] = {
    {"MarkedCopyIsKept", false, kT, false, nullptr, 0, frTempOpenError, "", kT,
     RefusalReason::kPendingCopy, true},
    {"MarkedCopyIsKeptWithBack", true, kT, false, nullptr, 0, frTempOpenError, "", kT,
     RefusalReason::kPendingCopy, true},
    {"StaleCopyIsReplaced", false, kS, false, nullptr, 0, frDone, kD, nullptr},
    // Without marks a left copy cannot be told from a killed run's, unless
    // Back keeps copies anyway.
    {"UnmarkableCopyIsKept", false, kS, true, nullptr, 0, frTempOpenError, "", kS,
     RefusalReason::kUnmarkedCopy, true},
    {"UnmarkableBackupIsReplaced", true, kS, true, nullptr, 0, frDone, kD, kT},
    {"LinkedCopyIsRefused", false, kS, false, "app.qu$", 0, frTempOpenError, "", kS,
     RefusalReason::kHardLinks, true},
    {"LinkedIncrementFileIsRefused", false, nullptr, false, "app.inc", 0, frIncOpenError, kD,
     nullptr},
    {"LinkedLogIsRefused", false, nullptr, false, "app.log", 0, frOpenError, "", nullptr,
     RefusalReason::kHardLinks},
    {"LogHeldByAnotherRunIsRefused", false, nullptr, false, nullptr, 1, frOpenError, "", nullptr,
     RefusalReason::kHeldOpen},
    {"LogOpenInAnotherProgramIsRefused", false, nullptr, false, nullptr, 2, frOpenError, "",
     nullptr, RefusalReason::kHeldOpen},
};

INSTANTIATE_TEST_SUITE_P(Found, ProcessFileGuards, ::testing::ValuesIn(kGuards),
                         [](const auto& info) { return std::string(info.param.name); });

// A failed rewrite puts the copy back under the log file's name: it must
// carry the log's mode and (where the test may give the log away) owner.
TEST_F(ProcessFileSafety, RestoredLogKeepsItsOwnerAndMode) {
  const bool root = geteuid() == 0;
  WriteFile(Native("app.log"), kText);
  if (root) {
    ASSERT_EQ(chown(Native("app.log").c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(Native("app.log").c_str(), 0640), 0);
  fs_.Add(testing::Fault{testing::FsOp::kWrite, ".log", 1, ENOSPC});
  EXPECT_EQ(Process(), frWriteError);
  struct stat st {};
  ASSERT_EQ(stat(Native("app.log").c_str(), &st), 0);
  EXPECT_EQ(ReadFile(Native("app.log")), kText);
  EXPECT_EQ(st.st_uid, root ? 65534u : geteuid());
  EXPECT_EQ(st.st_gid, root ? 65534u : getegid());
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(HasPendingMark(Native("app.log")));
}

}  // namespace
}  // namespace quillet
