// Cuts the power after every file-layer call of one file's processing and
// checks, for every state the disk may then hold, that the log file's text
// survives, and that a following run with the same settings keeps it.

#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <ostream>
#include <set>
#include <string>
#include <vector>

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
  bool crlf;     // CR LF line ends, else LF
};

std::string CaseName(const PowerCase& c) {
  return std::string(c.back ? "Back" : "NoBack") + (c.inc ? "Inc" : "NoInc") +
         (c.old_inc ? "OldInc" : "") + (c.crlf ? "CrLf" : "Lf");
}
void PrintTo(const PowerCase& c, std::ostream* os) { *os << CaseName(c); }

std::vector<PowerCase> AllCases() {
  std::vector<PowerCase> cases;
  for (bool crlf : {true, false})
    for (bool back : {false, true})
      for (bool inc : {false, true})
        for (bool old_inc : {false, true})
          if (inc || !old_inc) cases.push_back({back, inc, old_inc, crlf});
  return cases;
}

// Deleted, replaced, blank, trailing blanks and a last line without an end.
std::string LogText(bool crlf) {
  const char* eol = crlf ? "\r\n" : "\n";
  std::string text;
  for (const char* line :
       {"boot 2026-12-07 02:00:00 start", "[DEBUG] cache probe 1", "login user=u1 password=secret",
        "", "", "\x90\xDA\x91\xB1 db1   ",  // 接続
        "[DEBUG] cache probe 2"})
    text += std::string(line) + eol;
  return text + "last line without end";
}

const std::string kOldInc = "old increment text\r\n";

// A short form of a file for failure messages.
std::string Show(const DiskImage& disk) {
  std::string shown;
  for (const auto& [name, file] : disk) {
    shown += "\n  " + name + (file.pending ? " (marked): \"" : ": \"");
    for (char c : file.data.substr(0, 60))
      shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    shown += file.data.size() > 60 ? "...\"" : "\"";
  }
  return shown;
}

class ProcessFilePowerLoss : public ::testing::TestWithParam<PowerCase> {
 protected:
  ProcessFilePowerLoss() {
    g_.options.Skip = false;
    g_.options.Trim = true;
    g_.options.SpLine = 1;
    g_.options.Time = true;
    g_.options.TimeZ = false;
    g_.options.Back = GetParam().back;
    g_.options.Inc = GetParam().inc;
    g_.definitions.Entries = {{"[DEBUG]*", ""}, {"login *", "login (masked)"}};
    original_ = LogText(GetParam().crlf);
  }

  void Setup(const ScratchDir& dir) const {
    testing::WriteFile(dir.Native("app.log"), original_);
    if (GetParam().old_inc) testing::WriteFile(dir.Native("app.inc"), kOldInc);
  }

  int Process(platform::FileSystem& fs, const ScratchDir& dir, Globals& g) {
    Engine engine{g, fs, recorder_, dir.windows() + "\\"};
    std::int64_t before = 0, after = 0;
    return ProcessFile(engine, dir.Windows("app.log"), before, after);
  }

  // The texts an uncrashed run of the same engine gives: the copy (kept with
  // Back), the rewritten log file and what reaches the increment file.
  void ReferenceRuns() {
    Globals g = g_;
    g.options.Back = true;
    g.options.Inc = false;
    ScratchDir plain;
    Setup(plain);
    ASSERT_EQ(Process(platform::PosixFileSystem(), plain, g), frDone);
    copy_ = testing::ReadFile(plain.Native("app.qu$"));
    processed_ = testing::ReadFile(plain.Native("app.log"));
    ASSERT_NE(processed_, original_) << "the definitions changed nothing";
    ASSERT_FALSE(processed_.empty());
    appended_ = processed_;
    if (!GetParam().inc) return;
    g.options.Inc = true;
    ScratchDir inc;
    Setup(inc);
    ASSERT_EQ(Process(platform::PosixFileSystem(), inc, g), frDone);
    const std::string text = testing::ReadFile(inc.Native("app.inc"));
    const std::string old = GetParam().old_inc ? kOldInc : "";
    ASSERT_TRUE(text.starts_with(old));
    appended_ = text.substr(old.size());
  }

  static const StoredFile* Find(const DiskImage& disk, const char* name) {
    const auto found = disk.find(name);
    return found == disk.end() ? nullptr : &found->second;
  }
  bool Whole(const StoredFile* file) const {
    return file != nullptr && (file->data == original_ || file->data == copy_);
  }
  // Whether the text reached the increment file whole; empty `lost` unless
  // the increment file holds anything but its former text, then a part or
  // all of the processed text, then maybe all of it again (a file whose
  // append is done again after a power loss).
  bool InIncrement(const DiskImage& disk, std::string& lost) const {
    if (!GetParam().inc) return false;
    const StoredFile* inc = Find(disk, "app.inc");
    const std::string old = GetParam().old_inc ? kOldInc : "";
    if (!old.empty() && (inc == nullptr || !inc->data.starts_with(old))) {
      lost = "the increment file lost its former text";
      return false;
    }
    const std::string added = inc != nullptr ? inc->data.substr(old.size()) : "";
    const std::string& p = appended_;
    const bool whole =
        added.ends_with(p) && p.starts_with(added.substr(0, added.size() - p.size()));
    if (!whole && !p.starts_with(added)) lost = "the increment file holds a foreign text";
    return whole;
  }
  // Where the text is only in the marked copy: a following run must refuse.
  bool OnlyInCopy(const DiskImage& disk) const {
    std::string ignored;
    const StoredFile* log = Find(disk, "app.log");
    return !Whole(log) && !(log != nullptr && log->data == processed_) &&
           !InIncrement(disk, ignored) && Whole(Find(disk, "app.qu$"));
  }
  // Empty when the text survives in `disk`, else what went wrong.
  std::string Lost(const DiskImage& disk) const {
    std::string lost;
    const bool in_inc = InIncrement(disk, lost);
    if (!lost.empty()) return lost;
    const StoredFile* log = Find(disk, "app.log");
    const StoredFile* temp = Find(disk, "app.qu$");
    if (Whole(log) || (log != nullptr && log->data == processed_) || in_inc) return "";
    if (Whole(temp) && temp->pending) return "";
    if (Whole(temp)) return "the copy holds the text but not the mark";
    return "the text is nowhere whole";
  }

  Globals g_;
  testing::StatusRecorder recorder_;
  std::string original_;
  std::string copy_;
  std::string processed_;
  std::string appended_;
};

bool MarksSupported(const ScratchDir& dir) {
  const std::string probe = dir.Native("probe");
  testing::WriteFile(probe, "");
  const bool supported = setxattr(probe.c_str(), "user.quillet.pending", "1", 1, 0) == 0;
  unlink(probe.c_str());
  return supported;
}

TEST_P(ProcessFilePowerLoss, TextSurvivesAPowerLossAfterAnyCall) {
  ScratchDir dir;
  if (!MarksSupported(dir)) GTEST_SKIP() << "no user extended attributes here";
  ASSERT_NO_FATAL_FAILURE(ReferenceRuns());
  Setup(dir);
  const DiskImage before = PowerLossFileSystem::ReadDisk(dir.native());

  int calls = 0;
  {
    PowerLossFileSystem fs(dir.windows(), dir.native());
    ASSERT_EQ(Process(fs, dir, g_), frDone);
    ASSERT_EQ(fs.Current(), PowerLossFileSystem::ReadDisk(dir.native()))
        << "the model lost track of the disk";
    calls = fs.calls();
  }

  std::set<DiskImage> checked;
  for (int call = 1; call <= calls && !HasFailure(); ++call) {
    PowerLossFileSystem::WriteDisk(dir.native(), before);
    PowerLossFileSystem fs(dir.windows(), dir.native());
    fs.CrashAfter(call);
    Process(fs, dir, g_);
    ASSERT_TRUE(fs.crash_point_reached());
    for (const DiskImage& image : fs.CrashImages()) {
      if (!checked.insert(image).second) continue;
      const std::string where = "power lost after call " + std::to_string(call) + " of " +
                                std::to_string(calls) + ", the disk holding:" + Show(image);
      EXPECT_EQ(Lost(image), "") << where;
      fs.Crash(image);
      if (!image.contains("app.log")) continue;
      PowerLossFileSystem rerun_fs(dir.windows(), dir.native());
      const int code = Process(rerun_fs, dir, g_);
      const DiskImage after = PowerLossFileSystem::ReadDisk(dir.native());
      EXPECT_EQ(Lost(after), "") << where << "\nthen a run (" << code << ") left:" << Show(after);
      if (OnlyInCopy(image)) {
        EXPECT_EQ(code, frTempOpenError) << where;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, ProcessFilePowerLoss, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) { return CaseName(info.param); });

}  // namespace
}  // namespace quillet
