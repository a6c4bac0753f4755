#pragma once

// Starting another program, fire and forget, behind a seam: the windowed
// program starts real processes, tests record what would be started.
//
// A program is named by a list of items, Shift-JIS: the program first, then
// its arguments. The items are handed to the program as its arguments
// directly, never through a shell, so no file name can run a command. The
// started program inherits the current directory and is never waited for.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::platform {

// Results below this value mean the program was not started.
inline constexpr int kStartedResult = 32;
// The program cannot be found or executed.
inline constexpr int kFileNotFound = 2;

// The command line of `items`, kept for the record: each item in double
// quotes, nothing escaped inside, separated by single blanks
// ("notepad.exe" "a.log").
std::string QuotedCommandLine(const std::vector<std::string>& items);

class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  // Starts items[0] with items[1..] as its arguments. Returns
  // kStartedResult or more when the program was started, else a smaller
  // code (kFileNotFound when it cannot be found or executed).
  virtual int Start(const std::vector<std::string>& items) = 0;
};

// The service in use. Until one is installed, nothing is started and every
// call answers kFileNotFound.
ProgramStarter& ProgramStarters();
// Installs `starter` (not owned; null restores the default).
void SetProgramStarter(ProgramStarter* starter);

// True when ProgramStarters() started the program.
inline bool StartProgram(const std::vector<std::string>& items) {
  return ProgramStarters().Start(items) >= kStartedResult;
}

// What to execute for a list of items: native UTF-8 paths and texts.
struct Launch {
  std::string program;  // a full path of an executable file
  std::vector<std::string> arguments;
};

// Finds the program and converts the arguments. The program item is a path
// (Windows form "Z:\usr\bin\gedit", or a native "/usr/bin/gedit") or a bare
// name looked up along PATH. A name ending in ".exe" (any letter case) that
// is not found is tried without it. The bare name "notepad.exe" (any case)
// stands for the desktop's text editor: the first of kDesktopEditors found
// along PATH, else the rule above. Each argument is a Windows-form path
// ("Z:\logs\a.log" becomes "/logs/a.log"; a bare name stays as it is), or,
// when it names another drive, its text in UTF-8. Returns nullopt when no
// executable file is found or an item has no UTF-8 form.
std::optional<Launch> ResolveLaunch(const std::vector<std::string>& items);

// The editors "notepad.exe" stands for, in the order they are tried.
inline constexpr const char* kDesktopEditors[] = {
    "gnome-text-editor", "gedit",   "kwrite", "kate", "mousepad", "pluma", "xed",
    "featherpad",        "leafpad", "geany"};

}  // namespace quillet::platform
