#include "ui/Headless.h"

#include <signal.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "core/ResultCodes.h"
#include "platform/Path.h"
#include "platform/ProgramFolder.h"
#include "ui/MainWnd.h"
#include "ui/QtText.h"
#include "ui/RunOutcome.h"
#include "ui/StatusDlg.h"
#include "ui/Usage.h"

namespace quillet::ui {

namespace {

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

void WriteErrorLine(const std::string& line) {
  if (line.empty()) return;
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

std::string RefusalText(const RunNote& note) {
  const std::string other = TerminalPath(note.other);
  switch (note.reason) {
    case RefusalReason::kHeldOpen:
      return "held open by another process";
    case RefusalReason::kHardLinks:
      return "has more than one hard link";
    case RefusalReason::kLink:
      return "is a symbolic link";
    case RefusalReason::kGone:
      return "is gone";
    case RefusalReason::kPermissionDenied:
      return "permission denied";
    case RefusalReason::kNotAFile:
      return "is not a regular file";
    case RefusalReason::kNoShiftJisName:
      return "its name has characters with no Shift-JIS form (shown as ?) or holds ? or *";
    case RefusalReason::kPendingCopy:
      return "a copy from an interrupted run is marked pending: " + other +
             "; the complete text is in it: rename it back over the log file, or delete it "
             "when the log file is complete";
    case RefusalReason::kUnmarkedCopy:
      return "a copy from an earlier run is left: " + other +
             "; this file system keeps no pending marks, so it may hold the complete text: "
             "rename it back over the log file, or delete it when the log file is complete";
    case RefusalReason::kSystemError:
      return std::strerror(note.error);
    case RefusalReason::kUnknown:
      break;
  }
  return note.code == frTempOpenError ? "could not be written or read back" : "could not be read";
}

// Writes the notes of a run to standard error, each Quillet.def once.
class NoteWriter {
 public:
  void Write(const RunNote& note) {
    if (note.kind == RunNote::Kind::kDefinitionFileChosen &&
        !definition_files_.emplace(note.path).second)
      return;
    WriteErrorLine(NoteLine(note));
  }

 private:
  std::set<std::string> definition_files_;
};

}  // namespace

std::string TerminalPath(std::string_view windows_path) {
  if (auto native = platform::ToNativePath(windows_path)) return *native;
  return TerminalLine(windows_path);
}

std::string NoteLine(const RunNote& note) {
  const std::string path = TerminalPath(note.path);
  switch (note.kind) {
    case RunNote::Kind::kFolderNotFound:
      return "quillet: folder not found: " + path;
    case RunNote::Kind::kFolderNotEntered:
      return "quillet: folder not entered: " + path +
             ": its name has characters with no Shift-JIS form (shown as ?) or holds ? or *";
    case RunNote::Kind::kDefinitionFileChosen:
      return "quillet: definitions: " + path;
    case RunNote::Kind::kDefinitionFileMissing:
      return "quillet: no definition file: neither " + path + " nor " + TerminalPath(note.other) +
             " exists";
    case RunNote::Kind::kFileRefused: {
      const bool own_text =
          note.reason == RefusalReason::kPendingCopy || note.reason == RefusalReason::kUnmarkedCopy;
      std::string subject = path;
      if (!note.other.empty() && !own_text)
        subject += ": temporary file " + TerminalPath(note.other);
      return "quillet: " + subject + ": " + RefusalText(note) + " (" + std::to_string(note.code) +
             ")";
    }
  }
  return {};
}

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
  if (main_form.DefinitionFileCreated()) {
    WriteErrorLine("quillet: created " + TerminalPath(platform::ProgramFolder() + "Quillet.def") +
                   " from Quillet.smp; nothing was processed: review its definitions, then run "
                   "again");
    return kStoppedStatus;
  }
  if (!globals.shell.AutoStart) {
    const std::string folder = platform::ProgramFolder(platform::FolderLookup::kLookOnly);
    std::fputs(UsageText(platform::ToNativePath(folder).value_or(std::string())).c_str(), stderr);
    return kStoppedStatus;
  }
  const std::string ini_path = platform::ProgramFolder() + "Quillet.ini";
  WriteErrorLine("quillet: settings: " + TerminalPath(ini_path) +
                 (platform::PosixFileSystem().Exists(ini_path) ? "" : " (not found: defaults)"));
  NoteWriter notes;
  status_dlg.SetNoteSink([&notes](const RunNote& note) { notes.Write(note); });
  status_dlg.SetLineSink(WriteStatusLine);
  status_dlg.SetUnattended(true);
  InstallCancelSignals();
  main_form.SetUnattended(true);
  // The window is never shown, so the run starts here rather than on its
  // first activation.
  main_form.FormActivate();
  main_form.close();
  status_dlg.SetNoteSink(nullptr);
  return ExitStatus(main_form.LastRun());
}

}  // namespace quillet::ui
