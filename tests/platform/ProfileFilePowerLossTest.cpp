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
using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;

const std::string kOld = "; kept\r\n[Other]\r\nx=1\r\n[Option]\r\nTrim=1\r\nSpLine=1\r\n";

bool Write(const ScratchDir& dir, FileSystem& fs) {
  return WritePrivateProfileString("Option", "Trim", "0", dir.Windows("a.ini"), fs);
}

// With or without a settings file before the write.
class ProfileFilePowerLoss : public ::testing::TestWithParam<bool> {};

TEST_P(ProfileFilePowerLoss, FileIsOldOrNewAfterAPowerLossAtAnyCall) {
  const bool existed = GetParam();
  ScratchDir dir;
  if (existed) quillet::testing::WriteFile(dir.Native("a.ini"), kOld);
  const std::string new_text =
      existed ? "; kept\r\n[Other]\r\nx=1\r\n[Option]\r\nTrim=0\r\nSpLine=1\r\n"
              : "[Option]\r\nTrim=0\r\n";
  const auto before = PowerLossFileSystem::ReadDisk(dir.native());
  for (int call = 1, calls = 1; call <= calls; ++call) {
    PowerLossFileSystem::WriteDisk(dir.native(), before);
    PowerLossFileSystem fs(dir.windows(), dir.native());
    fs.CrashAfter(call);
    ASSERT_TRUE(Write(dir, fs));
    calls = fs.calls();
    EXPECT_EQ(ReadFile(dir.Native("a.ini")), new_text);
    // Once the write has returned, only the new file may be found.
    for (const auto& image : fs.CrashImages()) {
      const std::string text = image.contains("a.ini") ? image.at("a.ini").data : "(none)";
      EXPECT_TRUE(text == new_text || (call < calls && text == (existed ? kOld : "(none)")))
          << "power lost after call " << call << ": the settings file holds " << text;
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
  EXPECT_EQ(ReadFile(dir.Native("a.ini")), "[Option]\r\nTrim=0\r\n");
}

}  // namespace
}  // namespace quillet::platform
