#include "ui/CloseSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

#include "ui/MainWnd.h"

namespace quillet::ui {

namespace {

// The handler only writes a byte; the event loop reads it and closes the
// window (the usual self-pipe: nothing but write() is safe in a handler).
int signal_pipe[2] = {-1, -1};

extern "C" void OnCloseSignal(int) {
  const int saved = errno;
  const char byte = 1;
  if (write(signal_pipe[1], &byte, 1) < 0) {
    // The pipe is full: a close request is already waiting.
  }
  errno = saved;
}

}  // namespace

bool InstallCloseSignals(TMainForm& main_form) {
  if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &main_form);
  QObject::connect(notifier, &QSocketNotifier::activated, &main_form, [&main_form] {
    char bytes[64];
    while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
    main_form.close();
  });
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return true;
}

}  // namespace quillet::ui
