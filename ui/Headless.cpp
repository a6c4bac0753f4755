#include "ui/Headless.h"

#include <signal.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Path.h"
#include "platform/ProgramFolder.h"
#include "ui/MainWnd.h"
#include "ui/QtText.h"
#include "ui/StatusDlg.h"
#include "ui/Usage.h"

namespace quillet::ui {

namespace {

constexpr int kUsageStatus = 2;

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// The offscreen platform warns about window features it lacks; an
// unattended run keeps Qt's critical and fatal messages only.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  }
}

extern "C" void OnCancelSignal(int) { TStatusDlg::RequestCancelFromSignal(); }

void WriteStatusLine(std::string_view sjis) {
  std::string text = TerminalLine(sjis);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

DisplayMode PrepareDisplay() {
  const char* forced = std::getenv("QUILLET_HEADLESS");
  bool headless = !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY");
  if (forced != nullptr && std::strcmp(forced, "1") == 0) headless = true;
  if (forced != nullptr && std::strcmp(forced, "0") == 0) headless = false;
  if (!headless) return DisplayMode::kWindowed;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler(QuietQtMessages);
  return DisplayMode::kHeadless;
}

std::string TerminalLine(std::string_view sjis) {
  std::string text = ToQString(sjis).toStdString();
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return out;
}

void InstallCancelSignals() {
  struct sigaction action {};
  action.sa_handler = OnCancelSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int RunUnattended(Globals& globals, TMainForm& main_form, TStatusDlg& status_dlg) {
  if (!globals.shell.AutoStart) {
    const std::string folder = platform::ProgramFolder(platform::FolderLookup::kLookOnly);
    std::fputs(UsageText(platform::ToNativePath(folder).value_or(std::string())).c_str(), stderr);
    return kUsageStatus;
  }
  status_dlg.SetLineSink(WriteStatusLine);
  status_dlg.SetUnattended(true);
  InstallCancelSignals();
  main_form.SetUnattended(true);
  // The window is never shown, so the run starts here rather than on its
  // first activation.
  main_form.FormActivate();
  main_form.close();
  return ExitStatus(main_form.LastRun());
}

}  // namespace quillet::ui
