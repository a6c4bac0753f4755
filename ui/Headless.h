#pragma once

// Unattended runs on a machine without a display, for scripts and cron:
// message boxes go to standard error and are answered OK, status-log lines
// go to standard output as they become final, SIGINT and SIGTERM cancel the
// run between two files, and the program ends when the run ends.

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/Global.h"
#include "core/StatusView.h"
#include "platform/FileSystem.h"

namespace quillet::ui {

enum class DisplayMode { kWindowed, kHeadless };

// Chooses the mode from the environment: QUILLET_HEADLESS=1 is headless and
// QUILLET_HEADLESS=0 windowed; otherwise the program is headless when
// neither DISPLAY nor WAYLAND_DISPLAY is set. A headless program never
// starts the window program, so it loads no Qt library at all.
DisplayMode PrepareDisplay();

// A status line (Shift-JIS) as UTF-8 for a terminal: a CR LF or a lone CR
// inside the line becomes a line break; bytes with no Unicode form show as
// U+FFFD.
std::string TerminalLine(std::string_view sjis);

// Makes SIGINT and SIGTERM act as the status dialog's Cancel button: the
// file in progress finishes and the run stops before the next one. SIGPIPE
// is ignored, so a closed output pipe cannot kill the program in the middle
// of rewriting a file.
void InstallCancelSignals();

// A Windows-form path (Shift-JIS) as an unattended run names it on the
// terminal: its Unix form in UTF-8 where it has one ("Z:\var\log\" gives
// "/var/log/"), else the text itself as TerminalLine shows it.
std::string TerminalPath(std::string_view windows_path);

// The line (UTF-8, without its line end) that explains `note` on standard
// error, "quillet: " first; empty for a note that needs none.
std::string NoteLine(const RunNote& note);

// What an unattended run shows of a run: each status-log line once it is
// final (a file's "  . . ." line when its result replaces it, or as it
// stands when another line follows), and each note as NoteLine gives it,
// each Quillet.def once. A cancel signal (InstallCancelSignals) makes it
// ask the run to stop, and clears AutoExit.
class TerminalStatus : public StatusView {
 public:
  using Writer = std::function<void(const std::string& utf8_line)>;
  // `out` gets the status lines, `err` the notes (UTF-8, without line end).
  TerminalStatus(Globals& globals, Writer out, Writer err);

  void AppendLine(std::string_view line) override;
  void ReplaceLastLine(std::string_view line) override;
  void FolderCounted(std::size_t) override {}
  void FolderFinished() override {}
  void FileStarted() override {}
  void ProgressCaption(std::string_view) override {}
  void ProgressPosition(int) override {}
  void RunEnded() override;
  void Repaint() override {}
  void Yield() override {}
  // True once SIGINT or SIGTERM has come (see InstallCancelSignals).
  bool CancelRequested() override;
  void Note(const RunNote& note) override;

 private:
  Globals& globals_;
  Writer out_;
  Writer err_;
  std::string pending_line_;  // the last line while it ends in "  . . ."
  bool has_pending_ = false;
  std::set<std::string> definition_files_;
};

// The unattended program after its start-up checks: reads `arguments`
// (Shift-JIS, see ui/CommandLine.h) and Quillet.ini as the main window
// would, runs the run they ask for, saves Quillet.ini and returns the exit
// status (ui/RunOutcome.h). Without /A or /S and a file name, writes the
// usage (ui/Usage.h) to standard error and returns 2. When Quillet.def has
// just been made from the sample, says where and returns 2 without a run:
// nobody has looked at those definitions yet. Standard error also names the
// Quillet.ini and each Quillet.def the run used, and explains the refusals
// that NoteLine covers. With --dry-run the run is a preview: nothing is
// written, Quillet.ini included, and a Quillet.def that would be made from
// the sample is only named (status 2). --show-lines (only with --dry-run;
// alone it is refused with status 2) lists on standard output the lines
// definitions match; --stats and --stats=json print the definition hit
// counts after the status log (ui/RunListing.h). The message-box service
// must already write to standard error. Creates no QApplication and no
// widget.
int RunUnattended(Globals& globals, std::vector<std::string> arguments,
                  platform::FileSystem& fs = platform::PosixFileSystem());

}  // namespace quillet::ui
