#pragma once

// Start-up work of the main window that needs no window: the first folder
// text and the definition file made from the sample.

#include <string>
#include <string_view>

#include "core/StatusView.h"
#include "platform/FileSystem.h"

namespace quillet::ui {

// The process's current directory in Windows form on drive Z: (Shift-JIS),
// ending in '\' unless it is a drive root such as "Z:\" (3 characters).
// Empty when the directory cannot be read or has no Shift-JIS form.
std::string CurrentFolderText();

// Makes the folder (Windows form, Shift-JIS) the process's current
// directory. Returns false when it cannot, leaving the directory as it was.
bool SetCurrentFolder(std::string_view folder);

enum class DefinitionFileCreation {
  kNotNeeded,  // Quillet.def exists, or there is no Quillet.smp to copy
  kCreated,    // Quillet.def was made from Quillet.smp
  kFailed,     // an error box was shown; a part of Quillet.def may remain
};

// True when `program_folder` (ending in '\') holds no Quillet.def but holds
// Quillet.smp: CreateDefinitionFile would make the definition file.
bool DefinitionFileWanted(platform::FileSystem& fs, std::string_view program_folder);

// When `program_folder` (ending in '\') holds no Quillet.def but holds
// Quillet.smp, copies the sample line by line to Quillet.def, every line
// keeping its own line end (a lone CR becomes CR LF), telling the user through
// platform::MessageBoxes(): an information box before the copy and one after it, or an error box
// when the sample cannot be opened or the definition file cannot be created or written. Quillet.def
// is never created through a symbolic link.
DefinitionFileCreation CreateDefinitionFile(platform::FileSystem& fs,
                                            std::string_view program_folder);

// The folder check before a run: `folder` (Shift-JIS, ending in '\\') must
// be a full path with its drive letter that names an existing folder.
// Anything else shows its error box through platform::MessageBoxes() and
// returns false; a folder not found is also told to `notes`, when given.
bool CheckRunFolder(platform::FileSystem& fs, const std::string& folder, StatusView* notes);

// Whether the program folder can be used: one whose name has no Shift-JIS
// form cannot, and no other folder's settings and definitions may stand in
// for it. Shows the error box through platform::MessageBoxes() (which must
// be set) and, with kAlsoStandardError, also says so on standard error. False when
// the program has to stop.
enum class FolderErrorEcho { kBoxOnly, kAlsoStandardError };
bool ProgramFolderUsable(FolderErrorEcho echo);

}  // namespace quillet::ui
