#pragma once

// What the filter pass tells about the lines that definitions match, for a
// listing of the lines a run changes and for definition hit counts. An
// ordinary run has no watcher and pays nothing for this.

#include <cstdint>
#include <span>
#include <string_view>

#include "core/Global.h"

namespace quillet {

// One log line that a definition matched. Texts are Shift-JIS bytes, valid
// for the call only.
struct MatchedLine {
  std::string_view file;  // the log file, Windows form
  std::int64_t number;    // its line number in the file, from 1
  std::string_view text;  // the line as read, without its line end
  const DefinitionTable& definitions;
  int first;  // the entry that decides the line: the first match in table order
  // Every entry that matches the line, ascending, `first` among them; empty
  // unless the watcher wants every match.
  std::span<const int> every;
  bool written;                 // false: the line is deleted
  std::string_view written_as;  // when written: the replacement text as written
};

class MatchWatcher {
 public:
  virtual ~MatchWatcher() = default;
  // The folder's files about to be processed use `table` (its LoadedFrom
  // names the file); told for every folder whose table loaded, also when it
  // was already loaded.
  virtual void DefinitionsUsed(const DefinitionTable& table) = 0;
  // True when LineMatched needs `every`: each line is then matched against
  // every definition, not only up to the first match.
  virtual bool WantsEveryMatch() const = 0;
  virtual void LineMatched(const MatchedLine& line) = 0;
};

}  // namespace quillet
