#include "ui/Headless.h"

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "config/Settings.h"
#include "core/DefinitionStats.h"
#include "core/Engine.h"
#include "core/FileName.h"
#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "platform/ProgramFolder.h"
#include "platform/Sjis.h"
#include "text/ByteState.h"
#include "text/ByteText.h"
#include "ui/CommandLine.h"
#include "ui/RunListing.h"
#include "ui/RunOutcome.h"
#include "ui/StartUp.h"
#include "ui/UiTexts.h"
#include "ui/Usage.h"

namespace quillet::ui {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// Set by the signal handler; the run asks for it before each folder and file.
volatile std::sig_atomic_t signal_cancel_pending = 0;

extern "C" void OnCancelSignal(int) { signal_cancel_pending = 1; }

void WriteStatusLine(const std::string& line) {
  std::string text = line + '\n';
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
  return headless ? DisplayMode::kHeadless : DisplayMode::kWindowed;
}

std::string TerminalLine(std::string_view sjis) {
  const std::string text = ShownText(sjis, TextCode::kShiftJis);
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

TerminalStatus::TerminalStatus(Globals& globals, Writer out, Writer err)
    : globals_(globals), out_(std::move(out)), err_(std::move(err)) {}

void TerminalStatus::AppendLine(std::string_view line) {
  // A pending line that is followed by another is final as it stands.
  if (has_pending_) out_(TerminalLine(pending_line_));
  has_pending_ = line.ends_with(texts::kPending);
  if (has_pending_) {
    pending_line_ = std::string(line);
  } else {
    out_(TerminalLine(line));
  }
}

void TerminalStatus::ReplaceLastLine(std::string_view line) {
  has_pending_ = false;
  AppendLine(line);
}

void TerminalStatus::RunEnded() { signal_cancel_pending = 0; }

bool TerminalStatus::CancelRequested() {
  if (signal_cancel_pending == 0) return false;
  globals_.shell.AutoExit = false;
  return true;
}

void TerminalStatus::Note(const RunNote& note) {
  if (note.kind == RunNote::Kind::kDefinitionFileChosen &&
      !definition_files_.emplace(note.path).second)
    return;
  const std::string line = NoteLine(note);
  if (!line.empty()) err_(line);
}

int RunUnattended(Globals& globals, std::vector<std::string> arguments, platform::FileSystem& fs) {
  namespace t = ui_texts;
  // What the main window's creation does with the command line and the
  // settings, without the window.
  const std::string program_folder = platform::ProgramFolder();
  globals.shell.IsProcessing = false;
  globals.shell.AutoExitDue = false;
  std::string folder_text = CurrentFolderText();
  const CommandLineRequest request = ReadCommandLine(arguments);
  if (!request.BadOption.empty()) {
    WriteErrorLine("quillet: unknown option: " + TerminalLine(request.BadOption) +
                   " (--stats takes =json or =text)");
    return kStoppedStatus;
  }
  if (request.ShowLines && !request.DryRun) {
    WriteErrorLine(
        "quillet: --show-lines lists the lines a preview would change: use it with --dry-run");
    return kStoppedStatus;
  }
  globals.shell.AutoStart = request.AutoStart;
  globals.shell.AutoExit = request.AutoExit;
  std::string file_name = request.FileName;
  const SplitFileName split = SplitFolderPart(request.FileName);
  if (!split.folder.empty()) {
    SetCurrentFolder(split.folder);  // a folder that cannot be entered is refused by the run
    folder_text = split.folder;
    file_name = split.name;
  }
  if (split.name.empty()) {
    globals.shell.AutoStart = false;
    globals.shell.AutoExit = false;
  }
  const std::string ini_path = program_folder + "Quillet.ini";
  LoadSettings(globals.options, ini_path);
  if (request.DryRun && DefinitionFileWanted(fs, program_folder)) {
    WriteErrorLine("quillet: preview: a run would create " +
                   TerminalPath(program_folder + "Quillet.def") +
                   " from Quillet.smp and stop there; nothing was made or processed");
    return kStoppedStatus;
  }
  if (!request.DryRun &&
      CreateDefinitionFile(fs, program_folder) == DefinitionFileCreation::kCreated) {
    WriteErrorLine("quillet: created " + TerminalPath(program_folder + "Quillet.def") +
                   " from Quillet.smp; nothing was processed: review its definitions, then run "
                   "again");
    return kStoppedStatus;
  }
  if (!globals.shell.AutoStart) {
    const std::string folder = platform::ProgramFolder(platform::FolderLookup::kLookOnly);
    std::fputs(UsageText(platform::ToNativePath(folder).value_or(std::string())).c_str(), stderr);
    return kStoppedStatus;
  }
  WriteErrorLine("quillet: settings: " + TerminalPath(ini_path) +
                 (platform::PosixFileSystem().Exists(ini_path) ? "" : " (not found: defaults)"));
  TerminalStatus status(globals, WriteStatusLine, WriteErrorLine);
  InstallCancelSignals();

  globals.shell.AutoStart = false;
  DefinitionStats stats;
  LineLister lister(WriteStatusLine, globals.options.Code);
  std::vector<MatchWatcher*> watchers;
  if (request.ShowLines) watchers.push_back(&lister);
  if (request.Stats != StatsFormat::kNone) watchers.push_back(&stats);
  MatchWatchers match_watchers(watchers);
  RunOutcome outcome;
  outcome.started = true;
  const std::string folder = AddBackslash(FolderFromUnixPath(folder_text));
  if (!CheckRunFolder(fs, folder, &status)) {
    outcome.refused = true;
  } else {
    globals.shell.IsProcessing = true;
    Engine engine{globals, fs, status, program_folder};
    engine.mode = request.DryRun ? RunMode::kPreview : RunMode::kRewrite;
    if (!watchers.empty()) engine.match_watcher = &match_watchers;
    bool warned = false;
    engine.on_utf8_definitions = [&warned](std::string_view path) {
      if (warned) return;
      warned = true;
      platform::MessageBoxOkWithoutWaiting(t::kCaptionQuillet,
                                           t::kDefinitionsInUtf8 + std::string(path),
                                           platform::MbIcon::kWarning);
    };
    const RunSummary summary =
        ProcessRequest(engine, {.folder = folder,
                                .pattern = std::string(TrimBlanks(file_name)),
                                .with_subfolders = request.SubFolders});
    outcome.code = summary.code;
    outcome.ErrorCount = summary.ErrorCount;
    outcome.cancelled = summary.cancelled;
    if (summary.code != 0) {
      platform::MessageBoxOk(t::kCaptionError,
                             t::RunCodeMessage(summary.code, globals.definitions.LoadedFrom),
                             platform::MbIcon::kError);
    }
    globals.shell.IsProcessing = false;
  }
  if (request.Stats != StatsFormat::kNone) {
    const std::string text = request.Stats == StatsFormat::kJson
                                 ? StatsJson(stats.files(), globals.options.Code)
                                 : "\n" + StatsText(stats.files(), globals.options.Code);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
  // A preview leaves Quillet.ini as it is, too.
  if (!request.DryRun && !SaveSettings(globals.options, ini_path)) {
    platform::MessageBoxOk(t::kAppTitle, CannotWriteMessage(ini_path) + ".",
                           platform::MbIcon::kError);
  }
  return ExitStatus(outcome);
}

}  // namespace quillet::ui
