// The built program, unattended, over a folder whose own name and entries
// are hostile: it ends in time, starts nothing, follows no link and writes
// nothing outside the tree.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/reliability/ProgramRunner.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kLog = "DEBUG\r\nkeep\r\n";

void Link(const std::string& target, const std::string& path) {
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

TEST(HostileTreeRun, EndsInTimeStartsNothingAndWritesNothingOutside) {
  ScratchDir home;
  ScratchDir work;
  WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
  WriteFile(home.Native("Quillet.ini"), "[Option]\r\nSkip=0\r\n");
  // Names a shell would run or take as options, were they ever given to one.
  const std::string folder = work.Native("-rf $(touch pwned) `touch pwned2`");
  const char* const odd_names[] = {"a.log", "-x.log", "$(touch pwned3).log", "q'u\"ote.log"};
  for (const char* name : odd_names) WriteFile(folder + "/" + name, kLog);
  WriteFile(folder + "/sub/b.log", kLog);
  WriteFile(work.Native("outside/victim.log"), kLog);
  ASSERT_EQ(mkfifo((folder + "/fifo.log").c_str(), 0644), 0);
  testing::MakeSocket(folder + "/sock.log");
  Link("loop.log", folder + "/loop.log");
  Link("..", folder + "/sub/up");
  Link(work.Native("outside/victim.log"), folder + "/out.log");
  Link(work.Native("outside"), folder + "/outdir");

  testing::ProgramRun run(home.native(), {"/A", "/R", folder + "/*.log"});
  EXPECT_EQ(run.Wait(std::chrono::seconds(60)), 0) << run.out() << run.err();

  for (const char* name : odd_names) EXPECT_EQ(ReadFile(folder + "/" + name), "keep\r\n") << name;
  EXPECT_EQ(ReadFile(folder + "/sub/b.log"), "keep\r\n");
  EXPECT_EQ(ReadFile(work.Native("outside/victim.log")), kLog);
  EXPECT_NE(run.out().find("\n-x.log\t(13 to 6 bytes / 46%)\n"), std::string::npos) << run.out();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work.native()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("pwned")) << entry.path();
}

}  // namespace
}  // namespace quillet
