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

bool Write(const ScratchDir& dir, FileSystem& fs) {
  return WritePrivateProfileString("Option", "Trim", "0", dir.Windows("a.ini"), fs);
}

// A power loss at any call of a settings write, with or without a file before,
// leaves the old file or the new one, whole, and only the new one once it returned.
TEST(ProfileFilePowerLoss, FileIsOldOrNewAfterAPowerLossAtAnyCall) {
  for (const std::string old : {"(none)", "; kept\r\n[Option]\r\nTrim=1\r\nSpLine=1\r\n"}) {
    ScratchDir dir;
    if (old != "(none)") quillet::testing::WriteFile(dir.Native("a.ini"), old);
    const std::string new_text =
        old == "(none)" ? "[Option]\r\nTrim=0\r\n" : "; kept\r\n[Option]\r\nTrim=0\r\nSpLine=1\r\n";
    const auto before = PowerLossFileSystem::ReadDisk(dir.native());
    for (int call = 1, calls = 1; call <= calls; ++call) {
      PowerLossFileSystem::WriteDisk(dir.native(), before);
      PowerLossFileSystem fs(dir.windows(), dir.native());
      fs.CrashAfter(call);
      ASSERT_TRUE(Write(dir, fs));
      calls = fs.calls();
      EXPECT_EQ(ReadFile(dir.Native("a.ini")), new_text);
      for (const auto& image : fs.CrashImages()) {
        const std::string text = image.contains("a.ini") ? image.at("a.ini").data : "(none)";
        EXPECT_TRUE(text == new_text || (call < calls && text == old))
            << "power lost after call " << call << ": the settings file holds " << text;
      }
    }
  }
}

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
