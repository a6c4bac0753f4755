#include "tests/reliability/ProgramRunner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/support/TestUtil.h"

extern char** environ;

namespace quillet::testing {

namespace {

// The caller's environment without the variables the run sets itself.
std::vector<std::string> RunEnvironment(const std::string& home, RunMode mode) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text = *entry;
    if (text.starts_with("QUILLET_") || text.starts_with("QT_QPA_PLATFORM=")) continue;
    env.emplace_back(text);
  }
  env.push_back("QUILLET_HOME=" + home);
  env.push_back(mode == RunMode::kUnattended ? "QUILLET_HEADLESS=1" : "QUILLET_HEADLESS=0");
  env.push_back("QT_QPA_PLATFORM=offscreen");
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

const char* ProgramPath() { return QUILLET_PROGRAM; }

ProgramRun::ProgramRun(const std::string& home, const std::vector<std::string>& arguments,
                       RunMode mode)
    : err_path_(home + "/stderr.txt") {
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return;
  }
  std::vector<std::string> argv_texts = {ProgramPath()};
  argv_texts.insert(argv_texts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env_texts = RunEnvironment(home, mode);
  std::vector<char*> argv = Pointers(argv_texts);
  std::vector<char*> envp = Pointers(env_texts);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  out_fd_ = pipe_fds[0];
  if (rc != 0) {
    pid_ = -1;
    ADD_FAILURE() << "cannot start " << ProgramPath() << ": " << std::strerror(rc);
  }
}

ProgramRun::~ProgramRun() {
  if (pid_ > 0) Kill();
  if (out_fd_ >= 0) close(out_fd_);
}

bool ProgramRun::ReadSome(int timeout_ms) {
  if (out_fd_ < 0) return false;
  pollfd pfd{out_fd_, POLLIN, 0};
  const int ready = poll(&pfd, 1, timeout_ms);
  if (ready <= 0) return ready == 0 || errno == EINTR;
  char buffer[4096];
  const ssize_t n = read(out_fd_, buffer, sizeof buffer);
  if (n <= 0) {
    close(out_fd_);
    out_fd_ = -1;
    return false;
  }
  out_.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool ProgramRun::WaitForFirstLine() {
  while (out_.find('\n') == std::string::npos) {
    if (!ReadSome(60000)) return false;
  }
  return true;
}

void ProgramRun::Signal(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

void ProgramRun::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, &status_, 0);
  pid_ = -1;
}

int ProgramRun::Wait(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (out_fd_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      Kill();
      return -1;
    }
    ReadSome(static_cast<int>(left.count()));
  }
  // Output closed: the program is ending. It may still hang with its output
  // closed, so the wait keeps the same deadline.
  while (pid_ > 0) {
    const pid_t done = waitpid(pid_, &status_, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Kill();
      return -1;
    }
    usleep(1000);
  }
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string ProgramRun::err() const {
  return FileExists(err_path_) ? ReadFile(err_path_) : std::string();
}

}  // namespace quillet::testing
