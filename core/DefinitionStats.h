#pragma once

// Definition hit counts: for every definition file a run used, how many
// log lines each definition won (matched first), and for a definition that
// won none but matched some line, which earlier definition took them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/MatchWatcher.h"

namespace quillet {

struct DefinitionHits {
  std::int64_t source_line = 0;  // in the definition file
  std::string pattern;           // Shift-JIS
  std::string tail;              // the replacement text; empty deletes
  std::int64_t won = 0;          // lines it matched first
  std::int64_t matched = 0;      // lines it matched at all
  // For the lines it matched but did not win: the entry that won them and
  // how many.
  std::map<int, std::int64_t> lost_to;
};

struct DefinitionFileHits {
  std::string path;                         // Shift-JIS, Windows form
  std::vector<DefinitionHits> definitions;  // in file order
};

// A definition that won no line but matched some: the definition that took
// most of those lines (the earliest in the file of those that took equally
// many) and how many definitions took them in all.
struct Shadowing {
  std::int64_t source_line = 0;  // 0: not shadowed (it matched no line, or won some)
  int takers = 0;
};
Shadowing ShadowingOf(const DefinitionFileHits& file, const DefinitionHits& hits);

// Collects the counts of a run; set it as the engine's match watcher. It
// asks for every match of each matched line, which costs a full lookup per
// such line.
class DefinitionStats : public MatchWatcher {
 public:
  void DefinitionsUsed(const DefinitionTable& table) override;
  bool WantsEveryMatch() const override { return true; }
  void LineMatched(const MatchedLine& line) override;

  // Every definition file used, in the order of first use; a file used by
  // several folders appears once with the sums.
  const std::vector<DefinitionFileHits>& files() const { return files_; }

 private:
  DefinitionFileHits& FileFor(const DefinitionTable& table);

  std::vector<DefinitionFileHits> files_;
  std::map<std::string, std::size_t> by_path_;
};

}  // namespace quillet
