#pragma once

// The command line: which files to process and whether to run unattended.
// Plain functions, so the rules are tested without windows.
//
// Arguments are taken one by one. An empty one is passed over. One that
// begins with '/' is a group of option letters (A, R, S, any letter case);
// --dry-run, --show-lines, --stats and --stats=VALUE are the options of an
// unattended run (see IsUnattendedOption); any other argument is the file
// name or wild-card pattern, and of several the last one wins.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::ui {

// How --stats reports the definition hit counts.
enum class StatsFormat { kNone, kText, kJson };

// What the arguments ask for.
struct CommandLineRequest {
  bool AutoStart = false;                  // A or S: run as soon as the main window is active
  bool AutoExit = false;                   // A: end the program after a clean run
  bool SubFolders = false;                 // R: process subfolders too
  std::string FileName;                    // Shift-JIS, as typed; empty when none was given
  bool DryRun = false;                     // --dry-run: a preview that writes nothing
  bool ShowLines = false;                  // --show-lines: list the lines a preview changes
  StatsFormat Stats = StatsFormat::kNone;  // --stats or --stats=json
  // An unattended option that is not understood (a --stats value other
  // than json or text), as given; empty when there is none.
  std::string BadOption;
};

// True for an argument that names an option of the unattended run:
// "--dry-run", "--show-lines", "--stats" and any "--stats=VALUE". Such a
// run writes its results to the terminal, so these options make the
// program run unattended even where a display is set.
bool IsUnattendedOption(std::string_view argument);

// True when any of argv[1..argc) is such an option.
bool AsksUnattendedRun(int argc, char* const argv[]);

// One argument as the shell passed it (UTF-8) in the program's form
// (Shift-JIS). A path given the Unix way becomes the same path on drive Z:,
// wild cards kept:
// - an argument that begins with '/' and holds a second '/' is absolute
//   ("/var/log/*.log" gives "Z:\var\log\*.log");
// - one that holds a '/' elsewhere, and no drive letter, is relative to
//   `current_dir` (a native absolute path): in "/home/me", "logs/*.log" and
//   "./logs/*.log" give "Z:\home\me\logs\*.log", "../x/*.log" gives
//   "Z:\home\x\*.log".
// In the folder part "." and empty parts are dropped, and a ".." steps back
// over the current directory's own parts only (that path holds no links, so
// it goes where the system would); after a named part it is kept for the
// system to resolve, since that part may be a link. Returns nullopt when the
// argument has no Shift-JIS form that reads back as the same text, when such
// a path holds a '\', which would turn into a separator (either way it could
// name other files than the ones meant), or when a relative path meets an
// empty `current_dir`.
std::optional<std::string> ArgumentFromNative(std::string_view utf8, std::string_view current_dir);

// Converts argv[1..argc) with ArgumentFromNative, relative to the process's
// current directory. An argument without a Shift-JIS form is left out, with
// a note on standard error.
std::vector<std::string> ArgumentsFromNative(int argc, char* const argv[]);

// The arguments of argv[1..argc) that ReadCommandLine takes as file names,
// as given (UTF-8), in order. Only the last one is used; several almost
// always mean that the shell expanded an unquoted pattern.
std::vector<std::string> FileNameArguments(int argc, char* const argv[]);

// With two or more `file_names`, writes to `out` which one is used, which
// were ignored and that a pattern should be quoted; otherwise nothing. At
// most kListedIgnoredNames ignored names are listed, then how many more.
inline constexpr std::size_t kListedIgnoredNames = 5;
void WriteOverriddenNote(std::FILE* out, const std::vector<std::string>& file_names);

// The text of the folder box in the form a run uses: a Unix path ("/var/log/app",
// Shift-JIS bytes) becomes the same folder on drive Z: ending in '\'
// ("Z:\var\log\app\"). Any other text, and a Unix path holding a '\'
// (it would split a name), comes back unchanged; the run then checks it.
std::string FolderFromUnixPath(std::string_view sjis_folder);

// Reads the arguments (Shift-JIS) in order. A letter other than A, R or S
// shows the error box that names it (caption "Quillet", error icon) through
// platform::MessageBoxes(), clears AutoStart and AutoExit, and the letters
// after it are still applied. "/" alone does nothing. An unattended option
// is recorded in the request; of several --stats the last one counts.
CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments);

// A file name split after its last single-byte '\' or ':' (a 0x5C that is
// the second byte of a double-byte character does not split).
struct SplitFileName {
  std::string folder;  // up to and including the separator; may be empty
  std::string name;
};
SplitFileName SplitFolderPart(std::string_view file_name);

}  // namespace quillet::ui
