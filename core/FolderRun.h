#pragma once

// The folder part of a run, below ProcessRequest: the folder's header, the
// request's checks and the visit of the tree. Counters and the loaded
// definition file are left as they are, so tests can look at one folder
// run alone.

#include <string_view>

#include "core/Engine.h"

namespace quillet {

struct FolderRunEnd {
  int code = 0;               // 0 (finished or cancelled) or a run-level code
  bool in_subfolder = false;  // the code came up from a subfolder's run
};

// Clears CancelRequested, writes the header of `folder`, refuses an
// all-files pattern and unusable extensions, then runs the folder's files
// and, with `withSubfolders`, its subfolders depth first. A run-level code
// sets CancelRequested and stops the run.
FolderRunEnd ProcessFolder(Engine& engine, std::string_view folder, std::string_view pattern,
                           bool withSubfolders);

}  // namespace quillet
