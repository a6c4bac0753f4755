#pragma once

// The processing engine: definition loading, the processing of one file and
// the run over a folder. The engine works on the program-wide records it is
// given, reaches the disk only through the file layer and the status dialog
// only through StatusView.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/Global.h"
#include "core/MatchWatcher.h"
#include "core/StatusView.h"
#include "core/TextIO.h"
#include "platform/FileSystem.h"

namespace quillet {

class DefinitionIndex;

// Deletes the engine's index where its type is complete, so that users of
// the engine need not include core/DefinitionIndex.h.
struct DefinitionIndexDeleter {
  void operator()(DefinitionIndex* index) const;
};

// Whether a run rewrites its files or only shows what it would do.
enum class RunMode {
  kRewrite,
  // Every check and decision of a real run, with the same figures, but
  // nothing is written: log files are opened for reading only and not held,
  // no temporary, backup or increment file is made, no stamp is set.
  kPreview,
};

struct Engine {
  Globals& globals;
  platform::FileSystem& fs;
  StatusView& status;
  // The program's own folder, Shift-JIS, Windows form, ending in '\'.
  std::string program_folder;
  // Block size of every buffered read and write (tests vary it).
  std::size_t block_bytes = kDefaultBlockBytes;
  // Called by LoadDefinitions, when the text code is Shift-JIS, with the
  // path of a definition file it loaded that reads as UTF-8 with multi-byte
  // characters: such characters never match a Shift-JIS log line. The run
  // goes on either way.
  std::function<void(std::string_view path)> on_utf8_definitions = nullptr;
  RunMode mode = RunMode::kRewrite;
  // Told about every line a definition matches, when set.
  MatchWatcher* match_watcher = nullptr;
  // The filter pass's definition lookup, kept from one file to the next;
  // reach it through CurrentDefinitionIndex, never directly.
  std::unique_ptr<DefinitionIndex, DefinitionIndexDeleter> definition_index = nullptr;
};

// The lookup index for the definition table's current patterns: the
// engine's kept index when it was built from exactly these patterns, else a
// new one, which the engine then keeps. LoadDefinitions builds it after a
// load; a table filled or changed in any other way gets its index here, so
// no stale index is ever served. The reference stays valid until the next
// call or the next LoadDefinitions.
DefinitionIndex& CurrentDefinitionIndex(Engine& engine);

// Finds the definition file for `folder` (ending in '\'): the folder's own
// Quillet.def, else the program folder's. Loads it into the definition table
// unless that very path is already loaded, and then builds the lookup index
// (keeping the engine's when it was built from the same patterns and text
// code), appends the load line and tells on_utf8_definitions when the file
// looks saved as UTF-8 in a Shift-JIS run. Lines are read by the options'
// text code.
// Returns 0, or frNoDefinitionFile, frDefinitionOpenError,
// frNoDefinitionLines, frTooManyDefinitionLines, frStarOnlyDefinition.
int LoadDefinitions(Engine& engine, std::string_view folder);

// Compacts one log file in place. Returns a per-file result code; with
// frDone, `SizeBefore` is the size of the text as read and `SizeAfter` the
// size of the rewritten file. In a preview (RunMode::kPreview) the file is
// only read and the code and sizes are those the rewrite would give, as far
// as they can be known without writing. Never throws.
int ProcessFile(Engine& engine, std::string_view path, std::int64_t& SizeBefore,
                std::int64_t& SizeAfter);

// What a run is asked to do: the folder (Shift-JIS, Windows form, with or
// without its trailing '\\'), the file name or pattern, and whether the
// subfolders are visited too.
struct RunRequest {
  std::string folder;
  std::string pattern;
  bool with_subfolders = false;
  // The status log already holds an earlier run: a separator line comes
  // before this run's banner.
  bool after_earlier_run = false;
};

// How a run ended.
struct RunSummary {
  // 0, a run-level code, or frNoFilesFound for a clean run that found no file.
  int code = 0;
  std::int32_t FoundCount = 0;
  std::int32_t ErrorCount = 0;
  std::int32_t SkipCount = 0;
  bool cancelled = false;  // stopped by a cancel or by a run-level code
  // The run-level code came up from a subfolder's run.
  bool stopped_in_subfolder = false;
};

// Runs a whole request: resets the run state (counters, cancel flag, the
// loaded definition file), writes the banner, checks the pattern and the
// extensions once, visits the folder and, when asked, its subfolders depth
// first, and writes the closing lines. The counters in the globals hold the
// same values as the summary afterwards.
RunSummary ProcessRequest(Engine& engine, const RunRequest& request);

}  // namespace quillet
