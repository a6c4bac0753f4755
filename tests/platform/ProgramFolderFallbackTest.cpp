#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/ProgramFolder.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;
using quillet::testing::WriteFile;

// An installed copy: the executable's folder holds the sample but has no
// owner-write bit (refused by the file layer even for root).
TEST(ProgramFolder, UnwritableExecutableFolderFallsBackToTheConfigurationFolder) {
  ScratchDir scratch;
  const std::string installed = scratch.Native("lib");
  WriteFile(installed + "/Quillet.smp", "sample\r\n");
  setenv("XDG_CONFIG_HOME", scratch.Native("config").c_str(), 1);
  unsetenv("QUILLET_HOME");

  EXPECT_EQ(ProgramFolderFor(installed), scratch.Windows("lib") + "\\");  // writable: itself
  chmod(installed.c_str(), 0555);
  const std::string expected = scratch.Windows("config/quillet") + "\\";
  EXPECT_EQ(ProgramFolderFor(installed), expected);
  EXPECT_EQ(ReadFile(scratch.Native("config/quillet/Quillet.smp")), "sample\r\n");
  WriteFile(scratch.Native("config/quillet/Quillet.smp"), "mine\r\n");
  EXPECT_EQ(ProgramFolderFor(installed), expected);
  EXPECT_EQ(ReadFile(scratch.Native("config/quillet/Quillet.smp")), "mine\r\n");  // kept

  setenv("QUILLET_HOME", scratch.Native("home").c_str(), 1);
  EXPECT_EQ(ProgramFolderFor(installed), scratch.Windows("home") + "\\");
  unsetenv("QUILLET_HOME");
  unsetenv("XDG_CONFIG_HOME");
  chmod(installed.c_str(), 0755);
}

}  // namespace
}  // namespace quillet::platform
