#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/ProgramStarter.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

// On a PATH of one scratch folder: a name ending in .exe falls back to the
// name without it; notepad.exe stands for a desktop editor found, else a
// program named notepad. Arguments become native texts.
TEST(ResolveLaunch, FindsExecutablesOnThePathByTheirNativeNames) {
  quillet::testing::ScratchDir bin;
  const std::string saved_path = getenv("PATH") != nullptr ? getenv("PATH") : "";
  setenv("PATH", bin.native().c_str(), 1);
  auto program = [&](const char* name, mode_t mode = 0755) {
    quillet::testing::WriteFile(bin.Native(name), "#!/bin/sh\n");
    chmod(bin.Native(name).c_str(), mode);
  };
  auto resolved = [](const std::string& name) {
    auto launch = ResolveLaunch({name});
    return launch ? launch->program : "(none)";
  };
  program("myedit");
  program("plain", 0644);
  EXPECT_EQ(resolved("myedit.exe"), bin.Native("myedit"));
  EXPECT_EQ(resolved("MYEDIT.EXE"), "(none)");  // file names keep their case
  EXPECT_EQ(resolved("plain"), "(none)");       // not executable
  EXPECT_EQ(resolved(bin.Windows("myedit")), bin.Native("myedit"));
  EXPECT_EQ(resolved(bin.Native("myedit")), bin.Native("myedit"));
  EXPECT_EQ(resolved("notepad.exe"), "(none)");
  program("notepad");
  EXPECT_EQ(resolved("notepad.exe"), bin.Native("notepad"));
  program("kate");
  EXPECT_EQ(resolved("Notepad.EXE"), bin.Native("kate"));
  EXPECT_EQ(resolved("notepad"), bin.Native("notepad"));  // only the .exe name stands for it
  auto launch = ResolveLaunch(
      {"kate", "Z:\\logs\\a.log", "a b $(x).log", quillet::testing::Sjis("表.log"), "C:\\x"});
  setenv("PATH", saved_path.c_str(), 1);
  ASSERT_TRUE(launch);
  EXPECT_EQ(launch->arguments,
            (std::vector<std::string>{"/logs/a.log", "a b $(x).log", "表.log", "C:\\x"}));
}

}  // namespace
}  // namespace quillet::platform
