// Cuts the power after every file-layer call of a settings write and checks
// that the settings file is then, in every state the disk may hold, either
// the old file or the new one, whole.

#include <gtest/gtest.h>

#include <string>

#include "platform/ProfileFile.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/PowerLossFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::PowerLossFileSystem;
using quillet::testing::ScratchDir;

const std::string kOld = "; kept\r\n[Other]\r\nx=1\r\n[Option]\r\nTrim=1\r\nSpLine=1\r\n";

bool Write(const ScratchDir& dir, FileSystem& fs) {
  return WritePrivateProfileString("Option", "Trim", "0", dir.Windows("a.ini"), fs);
}

// With or without a settings file before the write.
class ProfileFilePowerLoss : public ::testing::TestWithParam<bool> {};

TEST_P(ProfileFilePowerLoss, FileIsOldOrNewAfterAPowerLossAtAnyCall) {
  const bool existed = GetParam();
  ScratchDir reference, dir;
  for (const ScratchDir* d : {&reference, &dir})
    if (existed) quillet::testing::WriteFile(d->Native("a.ini"), kOld);
  ASSERT_TRUE(Write(reference, PosixFileSystem()));
  const std::string new_text = quillet::testing::ReadFile(reference.Native("a.ini"));
  const auto before = PowerLossFileSystem::ReadDisk(dir.native());

  for (int call = 1, calls = 1; call <= calls; ++call) {
    PowerLossFileSystem::WriteDisk(dir.native(), before);
    PowerLossFileSystem fs(dir.windows(), dir.native());
    fs.CrashAfter(call);
    ASSERT_TRUE(Write(dir, fs));
    calls = fs.calls();
    // Once the write has returned, only the new file may be found.
    const bool finished = call == calls;
    for (const auto& image : fs.CrashImages()) {
      const std::string where = "power lost after call " + std::to_string(call);
      if (!image.contains("a.ini")) {
        EXPECT_TRUE(!existed && !finished) << where << ": the settings file is gone";
      } else if (image.at("a.ini").data != new_text) {
        EXPECT_TRUE(existed && !finished && image.at("a.ini").data == kOld)
            << where << ": the settings file holds " << ::testing::PrintToString(image);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, ProfileFilePowerLoss, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Existing" : "New"; });

// A stray file from an earlier write that holds the temporary name is
// passed by, not taken for a failure to write.
TEST(ProfileFileWrite, PassesATakenTemporaryName) {
  ScratchDir dir;
  quillet::testing::FaultyFileSystem fs;
  fs.Add({.op = quillet::testing::FsOp::kOpen, .path_suffix = "~", .error = EEXIST});
  ASSERT_TRUE(Write(dir, fs));
  EXPECT_TRUE(fs.Fired(0));
  EXPECT_NE(quillet::testing::ReadFile(dir.Native("a.ini")).find("Trim=0"), std::string::npos);
}

}  // namespace
}  // namespace quillet::platform
