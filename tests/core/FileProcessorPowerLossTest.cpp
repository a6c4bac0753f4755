// Cuts the power after every file-layer call of one file's processing and
// checks, for every state the disk may then hold, that the log file's text
// survives, and that a following run with the same settings keeps it.

#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>

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

// Deleted, replaced, blank and trailing blank lines, and a last line without an end.
const std::string kLog = "start\nnoise 1\nlogin pw=secret\n\n\nend   \nnoise 2\nlast";
const std::string kRead = kLog + "\n";  // what the copy holds
const std::string kDone = "start\nlogin (masked)\n\nend\nlast\n";
const std::string kOldInc = "old increment text\n";

// Back, Inc, and whether an increment file exists before the run.
class ProcessFilePowerLoss : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {
 protected:
  ProcessFilePowerLoss() {
    g_.options.Skip = g_.options.TimeZ = false;
    g_.options.Trim = g_.options.Time = true;
    g_.options.SpLine = 1;
    std::tie(g_.options.Back, g_.options.Inc, std::ignore) = GetParam();
    g_.definitions.Entries = {{"noise*", ""}, {"login *", "login (masked)"}};
  }

  int Process(platform::FileSystem& fs, const ScratchDir& dir) {
    Engine engine{g_, fs, recorder_, dir.windows() + "\\"};
    std::int64_t before = 0, after = 0;
    return ProcessFile(engine, dir.Windows("app.log"), before, after);
  }

  // Empty when the text survives in `disk`, else what went wrong. It
  // survives whole in the log file, as it was, as read or processed; in the
  // increment file after its former text (twice when a following run
  // appends it again); or in the marked copy, and then `only_in_copy`.
  std::string Lost(const DiskImage& disk, bool& only_in_copy) const {
    const auto file = [&](const char* name) {
      return disk.contains(name) ? &disk.at(name) : nullptr;
    };
    bool in_inc = false;
    if (g_.options.Inc) {
      const StoredFile* inc = file("app.inc");
      std::string added = inc != nullptr ? inc->data : "";
      if (!added.starts_with(old_inc_)) return "the increment file lost its former text";
      added.erase(0, old_inc_.size());
      in_inc =
          added.ends_with(kDone) && kDone.starts_with(added.substr(0, added.size() - kDone.size()));
      if (!in_inc && !kDone.starts_with(added)) return "the increment file holds a foreign text";
    }
    const StoredFile* log = file("app.log");
    if (in_inc ||
        (log != nullptr && (log->data == kLog || log->data == kRead || log->data == kDone)))
      return "";
    const StoredFile* temp = file("app.qu$");
    if (temp == nullptr || (temp->data != kLog && temp->data != kRead))
      return "the text is nowhere whole";
    only_in_copy = true;
    return temp->pending ? "" : "the copy holds the text but not the mark";
  }

  Globals g_;
  testing::StatusRecorder recorder_;
  const std::string old_inc_ = std::get<2>(GetParam()) ? kOldInc : "";
};

TEST_P(ProcessFilePowerLoss, TextSurvivesAPowerLossAfterAnyCall) {
  ScratchDir dir;
  testing::WriteFile(dir.Native("probe"), "");
  if (setxattr(dir.Native("probe").c_str(), "user.quillet.pending", "1", 1, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  unlink(dir.Native("probe").c_str());
  testing::WriteFile(dir.Native("app.log"), kLog);
  if (!old_inc_.empty()) testing::WriteFile(dir.Native("app.inc"), kOldInc);
  const DiskImage before = PowerLossFileSystem::ReadDisk(dir.native());

  std::set<DiskImage> checked;  // a disk image seen after an earlier call
  for (int call = 1, calls = 1; call <= calls && !HasFailure(); ++call) {
    PowerLossFileSystem::WriteDisk(dir.native(), before);
    PowerLossFileSystem fs(dir.windows(), dir.native());
    fs.CrashAfter(call);
    ASSERT_EQ(Process(fs, dir), frDone);
    ASSERT_TRUE(fs.crash_point_reached());
    calls = fs.calls();
    if (call == calls) {
      const bool inc = g_.options.Inc;
      EXPECT_EQ(testing::ReadFile(dir.Native(inc ? "app.inc" : "app.log")),
                (inc ? old_inc_ : "") + kDone);
    }
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

INSTANTIATE_TEST_SUITE_P(BackIncOldInc, ProcessFilePowerLoss,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

}  // namespace
}  // namespace quillet
