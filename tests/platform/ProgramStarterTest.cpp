#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "platform/ProgramStarter.h"
#include "tests/support/TestUtil.h"

namespace quillet::platform {
namespace {

using quillet::testing::ScratchDir;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;

// A PATH of one scratch folder holding the programs the cases look for.
class ResolveLaunchTest : public ::testing::Test {
 protected:
  ResolveLaunchTest() {
    const char* path = getenv("PATH");
    saved_path_ = path != nullptr ? path : "";
    setenv("PATH", bin.native().c_str(), 1);
  }
  ~ResolveLaunchTest() override { setenv("PATH", saved_path_.c_str(), 1); }

  void Program(const char* name, mode_t mode = 0755) {
    WriteFile(bin.Native(name), "#!/bin/sh\n");
    chmod(bin.Native(name).c_str(), mode);
  }
  std::string Resolved(const std::string& program) {
    auto launch = ResolveLaunch({program});
    return launch ? launch->program : "(none)";
  }

  ScratchDir bin;

 private:
  std::string saved_path_;
};

// A name ending in .exe falls back to the name without it; notepad.exe
// stands for the first desktop editor found, else a program named notepad.
// Arguments become native texts.
TEST_F(ResolveLaunchTest, FindsExecutablesOnThePathByTheirNativeNames) {
  Program("myedit");
  Program("plain", 0644);
  EXPECT_EQ(Resolved("myedit.exe"), bin.Native("myedit"));
  EXPECT_EQ(Resolved("MYEDIT.EXE"), "(none)");  // file names keep their case
  EXPECT_EQ(Resolved("plain"), "(none)");       // not executable
  EXPECT_EQ(Resolved("missing.exe"), "(none)");
  EXPECT_EQ(Resolved(bin.Windows("myedit")), bin.Native("myedit"));
  EXPECT_EQ(Resolved(bin.Native("myedit")), bin.Native("myedit"));
  EXPECT_EQ(Resolved("notepad.exe"), "(none)");
  Program("notepad");
  EXPECT_EQ(Resolved("notepad.exe"), bin.Native("notepad"));
  Program("mousepad");
  Program("kate");
  EXPECT_EQ(Resolved("Notepad.EXE"), bin.Native("kate"));
  EXPECT_EQ(Resolved("notepad"), bin.Native("notepad"));  // only the .exe name stands for it
  auto launch = ResolveLaunch({"kate", "Z:\\logs\\a.log", "a b $(x).log", Sjis("表.log"), "C:\\x"});
  ASSERT_TRUE(launch);
  EXPECT_EQ(launch->arguments,
            (std::vector<std::string>{"/logs/a.log", "a b $(x).log", "表.log", "C:\\x"}));
}

}  // namespace
}  // namespace quillet::platform
