#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

extern char** environ;

namespace quillet {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// Processing runs over and over while another program writes to the log
// file; afterwards every line the writer wrote is there exactly once.
class ProcessFileWithWriter : public ::testing::Test {
 protected:
  ProcessFileWithWriter() {
    g_.options.Skip = false;
    g_.definitions.Entries = {{"noise*", ""}};
  }

  // Starts `sh -c script` with LOG set to the log file's native path.
  pid_t StartWriter(const std::string& script) {
    const std::string log = "LOG=" + dir_.Native("app.log");
    char sh[] = "/bin/sh", dash_c[] = "-c";
    char* argv[] = {sh, dash_c, const_cast<char*>(script.c_str()), nullptr};
    char* env[] = {const_cast<char*>(log.c_str()), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, sh, nullptr, nullptr, argv, env), 0);
    return pid;
  }

  // Processes the log file until the writer ends; returns the codes seen.
  std::string ProcessWhileRunning(pid_t writer) {
    std::string codes;
    int status = 0;
    while (waitpid(writer, &status, WNOHANG) == 0) {
      std::int64_t before = 0, after = 0;
      const int code = ProcessFile(engine_, dir_.Windows("app.log"), before, after);
      codes += code == frDone ? 'd' : code == frOpenError ? 'o' : '?';
    }
    if (WIFEXITED(status) == 0) waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return codes;
  }

  static std::string Lines(const char* word, int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) text += word + std::to_string(i) + "\r\n";
    return text;
  }

  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  Engine engine_{g_, platform::PosixFileSystem(), rec_, dir_.windows() + "\\"};
};

constexpr int kLines = 3000;
const std::string kLoop = "i=1; while [ $i -le " + std::to_string(kLines) +
                          " ]; do printf 'keep %d\\r\\nnoise %d\\r\\n' $i $i";

// A logger that opens the file for every line waits while the file is held
// and appends after the rewrite.
TEST_F(ProcessFileWithWriter, WriterReopeningForEveryLineLosesNothing) {
  // Without a write lease only other runs are kept out, and these writers
  // would lose lines: nothing to prove here then.
  if (!testing::LeasesGranted(dir_)) GTEST_SKIP() << "no file leases here";
  WriteFile(dir_.Native("app.log"), "keep 0\r\n");
  const std::string codes =
      ProcessWhileRunning(StartWriter(kLoop + " >> \"$LOG\"; i=$((i+1)); done"));
  std::int64_t before = 0, after = 0;
  ASSERT_EQ(ProcessFile(engine_, dir_.Windows("app.log"), before, after), frDone);
  EXPECT_TRUE(ReadFile(dir_.Native("app.log")) == Lines("keep ", 0, kLines));
  EXPECT_NE(codes.find('d'), std::string::npos) << "never processed while the writer ran";
  EXPECT_EQ(codes.find('?'), std::string::npos) << codes;
}

}  // namespace
}  // namespace quillet
