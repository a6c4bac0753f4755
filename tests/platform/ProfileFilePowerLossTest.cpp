// Cuts the power after every file-layer call of a settings write and checks
// that the settings file is then, in every state the disk may hold, either
// the old file or the new one, whole.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/ProfileFile.h"
#include "tests/support/PowerLossFileSystem.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::DiskImage;
using quillet::testing::PowerLossFileSystem;

class ProfileFilePowerLoss : public ::testing::TestWithParam<bool> {
 protected:
  // With or without a settings file before the write.
  bool existed() const { return GetParam(); }
  void Setup(const quillet::testing::ScratchDir& dir) const {
    if (existed()) quillet::testing::WriteFile(dir.Native("a.ini"), kOld);
  }
  static bool Write(const quillet::testing::ScratchDir& dir, FileSystem& fs) {
    return WritePrivateProfileString("Option", "Trim", "0", dir.Windows("a.ini"), fs);
  }

  const std::string kOld = "; kept\r\n[Other]\r\nx=1\r\n[Option]\r\nTrim=1\r\nSpLine=1\r\n";
};

TEST_P(ProfileFilePowerLoss, FileIsOldOrNewAfterAPowerLossAtAnyCall) {
  std::string new_text;
  {
    quillet::testing::ScratchDir reference;
    Setup(reference);
    ASSERT_TRUE(Write(reference, PosixFileSystem()));
    new_text = quillet::testing::ReadFile(reference.Native("a.ini"));
  }
  quillet::testing::ScratchDir dir;
  Setup(dir);
  const DiskImage before = PowerLossFileSystem::ReadDisk(dir.native());
  int calls = 0;
  {
    PowerLossFileSystem fs(dir.windows(), dir.native());
    ASSERT_TRUE(Write(dir, fs));
    calls = fs.calls();
  }
  for (int call = 1; call <= calls; ++call) {
    // Once the write has returned, only the new file may be found.
    const bool finished = call == calls;
    std::set<std::string> allowed = {new_text};
    if (existed() && !finished) allowed.insert(kOld);
    PowerLossFileSystem::WriteDisk(dir.native(), before);
    PowerLossFileSystem fs(dir.windows(), dir.native());
    fs.CrashAfter(call);
    ASSERT_TRUE(Write(dir, fs));
    for (const DiskImage& image : fs.CrashImages()) {
      const auto ini = image.find("a.ini");
      const std::string where = "power lost after call " + std::to_string(call);
      if (ini == image.end()) {
        EXPECT_TRUE(!existed() && !finished) << where << ": the settings file is gone";
        continue;
      }
      EXPECT_TRUE(allowed.contains(ini->second.data))
          << where << ": the settings file holds \"" << ini->second.data << "\"";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, ProfileFilePowerLoss, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Existing" : "New"; });

}  // namespace
}  // namespace quillet::platform
