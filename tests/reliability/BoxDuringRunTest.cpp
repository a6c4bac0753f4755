// The windowed program on the offscreen platform: a close request during a
// run (SIGTERM acts as the close box) raises the refusal box, and the run
// goes on without waiting for an answer. A program that appends to the log
// file meanwhile waits only for the rewrite, then appends after it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/reliability/ProgramRunner.h"
#include "tests/support/TestUtil.h"

extern char** environ;

namespace quillet::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Polls `done` every millisecond until it holds or `limit` has passed.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// Waits for `pid` within `limit`; kills it when it takes longer. True when
// it ended by itself with status 0.
bool Reap(pid_t pid, std::chrono::milliseconds limit) {
  int status = 0;
  const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(BoxDuringRun, AppenderLosesNothingWhileTheRefusalIsShown) {
  ScratchDir home;
  ScratchDir work;
  if (!LeasesGranted(work)) GTEST_SKIP() << "no file leases here";
  WriteFile(home.Native("Quillet.def"), "noise*\r\n");
  // Big enough that the rewrite takes a while even in an optimised build.
  std::string text;
  std::string kept;
  for (int i = 0; i < 400000; ++i) {
    const std::string number = std::to_string(i);
    kept += "keep " + number + "\r\n";
    text += "keep " + number + "\r\nnoise " + number + "\r\n";
  }
  const std::string log = work.Native("big.log");
  const std::string copy = work.Native("big.qu$");
  WriteFile(log, text);

  ProgramRun run(home.native(), {"/S", work.Native("*.log")}, RunMode::kWindowed);
  // Mid-rewrite: the copy is there and the log file has been cut.
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::error_code error;
        const auto size = std::filesystem::file_size(log, error);
        return FileExists(copy) && !error && size < text.size();
      },
      60s))
      << "the rewrite was never seen";
  run.Signal(SIGTERM);
  std::this_thread::sleep_for(20ms);  // time for the box to come up

  const auto started = Clock::now();
  const std::string script = "printf 'appended\\n' >> \"$0\"";
  char sh[] = "/bin/sh", dash_c[] = "-c";
  char* argv[] = {sh, dash_c, const_cast<char*>(script.c_str()), const_cast<char*>(log.c_str()),
                  nullptr};
  pid_t appender = 0;
  ASSERT_EQ(posix_spawn(&appender, sh, nullptr, nullptr, argv, environ), 0);
  // The lease keeps the appender out until the rewrite ends; a run that
  // waited for the box would let it in only after the lease-break time.
  EXPECT_TRUE(Reap(appender, 20s)) << "the run stopped behind the box";
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);

  // The run ends, the program stays: its close was refused. A close request
  // now ends it.
  ASSERT_TRUE(WaitUntil([&] { return !FileExists(copy); }, 20s));
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(20s), 0) << run.err();
  EXPECT_TRUE(ReadFile(log) == kept + "appended\n")
      << "the appender waited " << waited.count() << " ms";
}

}  // namespace
}  // namespace quillet::testing
