#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

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

}  // namespace
}  // namespace quillet::platform
