#pragma once

// Unattended runs on a machine without a display, for scripts and cron:
// message boxes go to standard error and are answered OK, status-log lines
// go to standard output as they become final, SIGINT and SIGTERM cancel the
// run between two files, and the program ends when the run ends.

#include <string>
#include <string_view>

#include "core/Global.h"
#include "core/StatusView.h"

namespace quillet::ui {

class TMainForm;
class TStatusDlg;

enum class DisplayMode { kWindowed, kHeadless };

// Chooses the mode from the environment: QUILLET_HEADLESS=1 is headless and
// QUILLET_HEADLESS=0 windowed; otherwise the program is headless when
// neither DISPLAY nor WAYLAND_DISPLAY is set. Headless sets
// QT_QPA_PLATFORM=offscreen and drops Qt's own debug and warning output, so
// that standard error carries the program's messages only; it must be
// called before the QApplication exists.
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

// Runs the run that the command line asked for and ends it as a close
// does (Quillet.ini saved). Returns the exit status (ui/RunOutcome.h);
// without /A or /S and a file name, writes the usage (ui/Usage.h) to
// standard error and returns 2. When the main window has just made Quillet.def from the
// sample, says where and returns 2 without a run: nobody has looked at
// those definitions yet. Standard error also names the Quillet.ini and each
// Quillet.def the run used, and explains the refusals that NoteLine
// covers. The message-box service must already write to standard error.
int RunUnattended(Globals& globals, TMainForm& main_form, TStatusDlg& status_dlg);

}  // namespace quillet::ui
