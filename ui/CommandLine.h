#pragma once

// The command line: which files to process and whether to run unattended.
// Plain functions, so the rules are tested without windows.
//
// Arguments are taken one by one. An empty one is passed over. One that
// begins with '/' is a group of option letters (A, R, S, any letter case);
// any other argument is the file name or wild-card pattern, and of several
// the last one wins.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::ui {

// What the arguments ask for.
struct CommandLineRequest {
  bool AutoStart = false;   // A or S: run as soon as the main window is active
  bool AutoExit = false;    // A: end the program after a clean run
  bool SubFolders = false;  // R: process subfolders too
  std::string FileName;     // Shift-JIS, as typed; empty when none was given
};

// One argument as the shell passed it (UTF-8) in the program's form
// (Shift-JIS). An argument that begins with '/' and holds a second '/' is a
// Unix path and becomes the same path on drive Z: ("/var/log/*.log" gives
// "Z:\var\log\*.log"; wild cards are kept). Returns nullopt when the
// argument has no Shift-JIS form that reads back as the same text, or when
// such a Unix path holds a '\', which would turn into a separator: either
// way it could name other files than the ones meant.
std::optional<std::string> ArgumentFromNative(std::string_view utf8);

// Converts argv[1..argc) with ArgumentFromNative. An argument without a
// Shift-JIS form is left out, with a note on standard error.
std::vector<std::string> ArgumentsFromNative(int argc, char* const argv[]);

// Reads the arguments (Shift-JIS) in order. A letter other than A, R or S
// shows the error box that names it (caption "Quillet", error icon) through
// platform::MessageBoxes(), clears AutoStart and AutoExit, and the letters
// after it are still applied. "/" alone does nothing.
CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments);

// A file name split after its last single-byte '\' or ':' (a 0x5C that is
// the second byte of a double-byte character does not split).
struct SplitFileName {
  std::string folder;  // up to and including the separator; may be empty
  std::string name;
};
SplitFileName SplitFolderPart(std::string_view file_name);

}  // namespace quillet::ui
