#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::WriteFile;

// An installed copy: the executable's folder holds the sample but has no
// owner-write bit (refused by the file layer even for root).
TEST(ProgramFolder, UnwritableExecutableFolderFallsBackToTheConfigurationFolder) {
  quillet::testing::ScratchDir scratch;
  const std::string installed = scratch.Native("lib");
  WriteFile(installed + "/Quillet.smp", "sample\r\n");
  setenv("XDG_CONFIG_HOME", scratch.Native("config").c_str(), 1);
  unsetenv("QUILLET_HOME");
  EXPECT_EQ(ProgramFolderFor(installed), scratch.Windows("lib") + "\\");  // writable: itself
  chmod(installed.c_str(), 0555);
  const std::string expected = scratch.Windows("config/quillet") + "\\";
  EXPECT_EQ(ProgramFolderFor(installed, FolderLookup::kLookOnly), expected);  // as --help tells
  EXPECT_FALSE(quillet::testing::FileExists(scratch.Native("config")));
  EXPECT_EQ(ProgramFolderFor(installed), expected);
  EXPECT_EQ(ReadFile(scratch.Native("config/quillet/Quillet.smp")), "sample\r\n");
  EXPECT_EQ(std::filesystem::status(scratch.Native("config/quillet")).permissions(),
            std::filesystem::perms(0700));  // the user's own settings and definitions
  WriteFile(scratch.Native("config/quillet/Quillet.smp"), "mine\r\n");
  EXPECT_EQ(ProgramFolderFor(installed), expected);
  EXPECT_EQ(ReadFile(scratch.Native("config/quillet/Quillet.smp")), "mine\r\n");  // kept
  // QUILLET_HOME wins, relative to the current folder; 表 (95 5C) ends in no separator.
  WriteFile(scratch.Native("表/x"), "");
  const auto saved_cwd = std::filesystem::current_path();
  std::filesystem::current_path(scratch.native());
  setenv("QUILLET_HOME", "./表/../表", 1);
  EXPECT_EQ(ProgramFolderFor(installed), scratch.Windows("表") + "\\");
  std::filesystem::current_path(saved_cwd);
  unsetenv("QUILLET_HOME");
  unsetenv("XDG_CONFIG_HOME");
  chmod(installed.c_str(), 0755);
}

}  // namespace
}  // namespace quillet::platform
