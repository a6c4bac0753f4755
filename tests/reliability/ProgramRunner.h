#pragma once

// Starts the built quillet unattended (QUILLET_HEADLESS=1, the offscreen Qt
// platform, a chosen QUILLET_HOME) without Qt in the test, so that a test
// can kill it at a chosen moment or wait for it with a time limit. It can
// also start the windowed program on the offscreen platform.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace quillet::testing {

// The path of the program under test (set by the build).
const char* ProgramPath();

enum class RunMode { kUnattended, kWindowed };

class ProgramRun {
 public:
  // Starts the program with `arguments`; standard output comes through a
  // pipe, standard error goes to a file in `home`. Fails the test when the
  // program cannot be started.
  ProgramRun(const std::string& home, const std::vector<std::string>& arguments,
             RunMode mode = RunMode::kUnattended);
  // Kills and reaps a program still running.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Reads standard output until its first line is complete (the banner the
  // program writes before it touches any file). False at end of output.
  bool WaitForFirstLine();
  // Sends SIGKILL and reaps the program.
  void Kill();
  // Sends `signal` to the program while it runs.
  void Signal(int signal);
  // Waits for the program to end, reading all of its output. Returns its
  // exit status, or -1 when it did not end within `limit` (it is then
  // killed) or ended by a signal.
  int Wait(std::chrono::milliseconds limit);

  // Standard output (UTF-8) as read so far.
  const std::string& out() const { return out_; }
  // Standard error (UTF-8), once the program has ended.
  std::string err() const;

 private:
  // Reads what is available within `timeout_ms`; false at end of output.
  bool ReadSome(int timeout_ms);

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int status_ = -1;
  std::string err_path_;
  std::string out_;
};

}  // namespace quillet::testing
