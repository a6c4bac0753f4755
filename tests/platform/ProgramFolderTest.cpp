#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::ScratchDir;
using quillet::testing::WriteFile;

TEST(ProgramFolder, QuilletHomeAbsoluteOrRelativeToTheCurrentDirectory) {
  ScratchDir dir;
  WriteFile(dir.Native("表/x"), "");  // 95 5C: its last byte is no separator
  const std::string expected = dir.Windows("表") + "\\";
  const auto saved_cwd = std::filesystem::current_path();
  setenv("QUILLET_HOME", dir.Native("表").c_str(), 1);
  EXPECT_EQ(ProgramFolder(), expected);
  setenv("QUILLET_HOME", "./表/../表", 1);
  std::filesystem::current_path(dir.native());
  EXPECT_EQ(ProgramFolder(), expected);
  std::filesystem::current_path(saved_cwd);
  unsetenv("QUILLET_HOME");
  EXPECT_NE(ProgramFolder(), expected);
}

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
  // What --help tells the user: the same folder, not made yet.
  EXPECT_EQ(ProgramFolderFor(installed, FolderLookup::kLookOnly), expected);
  EXPECT_FALSE(quillet::testing::FileExists(scratch.Native("config")));
  EXPECT_EQ(ProgramFolderFor(installed), expected);
  EXPECT_EQ(ReadFile(scratch.Native("config/quillet/Quillet.smp")), "sample\r\n");
  struct stat st;
  ASSERT_EQ(stat(scratch.Native("config/quillet").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);  // the user's own settings and definitions
  WriteFile(scratch.Native("config/quillet/Quillet.smp"), "mine\r\n");
  EXPECT_EQ(ProgramFolderFor(installed), expected);
  EXPECT_EQ(ReadFile(scratch.Native("config/quillet/Quillet.smp")), "mine\r\n");  // kept
  // A relative XDG_CONFIG_HOME is ignored: the folder is then under $HOME.
  const std::string user_home = getenv("HOME") != nullptr ? getenv("HOME") : "";
  setenv("XDG_CONFIG_HOME", "config", 1);
  setenv("HOME", scratch.Native("user").c_str(), 1);
  EXPECT_EQ(ProgramFolderFor(installed, FolderLookup::kLookOnly),
            scratch.Windows("user/.config/quillet") + "\\");
  setenv("HOME", user_home.c_str(), 1);

  setenv("QUILLET_HOME", scratch.Native("home").c_str(), 1);
  EXPECT_EQ(ProgramFolderFor(installed), scratch.Windows("home") + "\\");
  unsetenv("QUILLET_HOME");
  unsetenv("XDG_CONFIG_HOME");
  chmod(installed.c_str(), 0755);
}

}  // namespace
}  // namespace quillet::platform
