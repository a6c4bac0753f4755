#pragma once

// The program's own folder: where Quillet.ini, Quillet.def, Quillet.smp and
// the help live. It is the folder of the executable, unless the environment
// variable QUILLET_HOME names another (for installed copies whose folder is
// not writable, and for tests). Without QUILLET_HOME, an executable whose
// folder is not writable (no owner-write bit, or refused by the system) has
// its program folder in the user's configuration folder instead:
// $XDG_CONFIG_HOME/quillet, or ~/.config/quillet.

#include <optional>
#include <string>

namespace quillet::platform {

// Whether finding the program folder may make the configuration folder.
enum class FolderLookup {
  kCreate,    // make it, with its sample, as a start of the program does
  kLookOnly,  // touch nothing: a configuration folder not made yet counts as made
};

// Which folder is the program folder, and whether the program can use it.
struct ProgramFolderChoice {
  // Windows form, Shift-JIS, ending in '\' ("Z:\opt\quillet\"); empty when
  // the folder has no Shift-JIS form. The program then stops at start:
  // it never falls back to another folder's settings and definitions.
  std::string folder;
  // The folder as a native path.
  std::string native;
  // Named by QUILLET_HOME.
  bool from_home = false;
};

// The folder of the running executable (native path, from /proc/self/exe);
// nothing when the system cannot tell.
std::optional<std::string> ExecutableFolder();

// Read once per call. Falls back to the current directory only when the
// executable's folder cannot be found.
ProgramFolderChoice ChooseProgramFolder(FolderLookup lookup = FolderLookup::kCreate);

// The choice for an executable that lies in `executable_folder` (native
// path). When it falls back to the configuration folder, that folder is
// created (mode 0700) and, when it holds no Quillet.smp but the
// executable's folder does, the sample is copied there so that the first
// start can make Quillet.def from it. A configuration folder that cannot be
// made leaves the executable's folder in use.
ProgramFolderChoice ChooseProgramFolderFor(const std::string& executable_folder,
                                           FolderLookup lookup = FolderLookup::kCreate);

// The `folder` of those choices.
std::string ProgramFolder(FolderLookup lookup = FolderLookup::kCreate);
std::string ProgramFolderFor(const std::string& executable_folder,
                             FolderLookup lookup = FolderLookup::kCreate);

}  // namespace quillet::platform
