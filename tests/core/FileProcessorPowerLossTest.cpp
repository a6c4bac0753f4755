// Cuts the power after every file-layer call of one file's processing and
// checks, for every state the disk may then hold, that the log file's text
// survives, and that a following run with the same settings keeps it.

#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <set>
#include <string>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/PowerLossFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::DiskImage;
using testing::PowerLossFileSystem;
using testing::ScratchDir;
using testing::StoredFile;

struct PowerCase {
  bool back;
  bool inc;
  bool old_inc;  // an increment file exists before the run
};

std::string CaseName(const PowerCase& c) {
  return std::string(c.back ? "Back" : "NoBack") + (c.inc ? "Inc" : "NoInc") +
         (c.old_inc ? "OldInc" : "");
}

// Deleted, replaced, blank, trailing blanks and a last line without an end.
const std::string kLog =
    "boot 2026-12-07 02:00:00 start\n[DEBUG] cache probe 1\nlogin user=u1 password=secret\n\n\n"
    "\x90\xDA\x91\xB1 db1   \n[DEBUG] cache probe 2\nlast line without end";  // 接続
const std::string kOldInc = "old increment text\n";

class ProcessFilePowerLoss : public ::testing::TestWithParam<PowerCase> {
 protected:
  ProcessFilePowerLoss() {
    g_.options.Skip = g_.options.TimeZ = false;
    g_.options.Trim = g_.options.Time = true;
    g_.options.SpLine = 1;
    g_.options.Back = GetParam().back;
    g_.options.Inc = GetParam().inc;
    g_.definitions.Entries = {{"[DEBUG]*", ""}, {"login *", "login (masked)"}};
  }

  void Setup(const ScratchDir& dir) const {
    testing::WriteFile(dir.Native("app.log"), kLog);
    if (GetParam().old_inc) testing::WriteFile(dir.Native("app.inc"), kOldInc);
  }

  int Process(platform::FileSystem& fs, const ScratchDir& dir) {
    Engine engine{g_, fs, recorder_, dir.windows() + "\\"};
    std::int64_t before = 0, after = 0;
    return ProcessFile(engine, dir.Windows("app.log"), before, after);
  }

  // The copy and the rewritten log file (which is also what reaches the
  // increment file) from a run without power loss or increment.
  void ReferenceRun() {
    ScratchDir dir;
    Setup(dir);
    g_.options.Inc = false;
    g_.options.Back = true;
    ASSERT_EQ(Process(platform::PosixFileSystem(), dir), frDone);
    g_.options.Inc = GetParam().inc;
    g_.options.Back = GetParam().back;
    processed_ = testing::ReadFile(dir.Native("app.log"));
    copy_ = testing::ReadFile(dir.Native("app.qu$"));
    ASSERT_NE(processed_, kLog) << "the definitions changed nothing";
  }

  // Empty when the text survives in `disk`, else what went wrong. It
  // survives whole in the log file, as it was or processed; in the
  // increment file after its former text (twice when a following run
  // appends it again); or in the marked copy, and then `only_in_copy`.
  std::string Lost(const DiskImage& disk, bool& only_in_copy) const {
    const auto text = [&](const char* name) {
      return disk.contains(name) ? &disk.at(name) : nullptr;
    };
    const StoredFile* inc = text("app.inc");
    bool in_inc = false;
    if (GetParam().inc) {
      if (!old_inc_.empty() && (inc == nullptr || !inc->data.starts_with(old_inc_)))
        return "the increment file lost its former text";
      const std::string added = inc != nullptr ? inc->data.substr(old_inc_.size()) : "";
      const std::string& p = processed_;
      in_inc = added.ends_with(p) && p.starts_with(added.substr(0, added.size() - p.size()));
      if (!in_inc && !p.starts_with(added)) return "the increment file holds a foreign text";
    }
    const StoredFile* log = text("app.log");
    if (in_inc ||
        (log != nullptr && (log->data == kLog || log->data == copy_ || log->data == processed_)))
      return "";
    const StoredFile* temp = text("app.qu$");
    if (temp == nullptr || (temp->data != kLog && temp->data != copy_))
      return "the text is nowhere whole";
    only_in_copy = true;
    return temp->pending ? "" : "the copy holds the text but not the mark";
  }

  Globals g_;
  testing::StatusRecorder recorder_;
  const std::string old_inc_ = GetParam().old_inc ? kOldInc : "";
  std::string processed_;
  std::string copy_;
};

TEST_P(ProcessFilePowerLoss, TextSurvivesAPowerLossAfterAnyCall) {
  ScratchDir dir;
  testing::WriteFile(dir.Native("probe"), "");
  if (setxattr(dir.Native("probe").c_str(), "user.quillet.pending", "1", 1, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  unlink(dir.Native("probe").c_str());
  ASSERT_NO_FATAL_FAILURE(ReferenceRun());
  Setup(dir);
  const DiskImage before = PowerLossFileSystem::ReadDisk(dir.native());

  std::set<DiskImage> checked;  // a disk image seen after an earlier call
  for (int call = 1, calls = 1; call <= calls && !HasFailure(); ++call) {
    PowerLossFileSystem::WriteDisk(dir.native(), before);
    PowerLossFileSystem fs(dir.windows(), dir.native());
    fs.CrashAfter(call);
    ASSERT_EQ(Process(fs, dir), frDone);
    ASSERT_TRUE(fs.crash_point_reached());
    calls = fs.calls();
    for (const DiskImage& image : fs.CrashImages()) {
      if (!checked.insert(image).second) continue;
      const std::string where = "power lost after call " + std::to_string(call) + " of " +
                                std::to_string(calls) + ", the disk holding " +
                                ::testing::PrintToString(image);
      bool only_in_copy = false;
      EXPECT_EQ(Lost(image, only_in_copy), "") << where;
      fs.Crash(image);
      if (!image.contains("app.log")) continue;
      PowerLossFileSystem rerun_fs(dir.windows(), dir.native());
      const int code = Process(rerun_fs, dir);
      const DiskImage after = PowerLossFileSystem::ReadDisk(dir.native());
      bool ignored = false;
      EXPECT_EQ(Lost(after, ignored), "")
          << where << "\nthen a run (" << code << ") left " << ::testing::PrintToString(after);
      // A following run must refuse a file whose text is only in the copy.
      if (only_in_copy) {
        EXPECT_EQ(code, frTempOpenError) << where;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ProcessFilePowerLoss,
    ::testing::Values(PowerCase{false, false, false}, PowerCase{true, false, false},
                      PowerCase{false, true, false}, PowerCase{false, true, true},
                      PowerCase{true, true, false}, PowerCase{true, true, true}),
    [](const auto& info) { return CaseName(info.param); });

}  // namespace
}  // namespace quillet
