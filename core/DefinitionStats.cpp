#include "core/DefinitionStats.h"

namespace quillet {

Shadowing ShadowingOf(const DefinitionFileHits& file, const DefinitionHits& hits) {
  Shadowing shadowing;
  if (hits.won != 0 || hits.lost_to.empty()) return shadowing;
  // lost_to ascends by entry, which is file order: the first of equal
  // counts is the earliest.
  std::int64_t most = 0;
  for (const auto& [entry, lines] : hits.lost_to) {
    if (lines > most) {
      most = lines;
      shadowing.source_line = file.definitions[static_cast<std::size_t>(entry)].source_line;
    }
  }
  shadowing.takers = static_cast<int>(hits.lost_to.size());
  return shadowing;
}

DefinitionFileHits& DefinitionStats::FileFor(const DefinitionTable& table) {
  const auto [at, added] = by_path_.emplace(table.LoadedFrom, files_.size());
  if (added) {
    DefinitionFileHits& file = files_.emplace_back();
    file.path = table.LoadedFrom;
    for (const DefinitionEntry& entry : table.Entries) {
      DefinitionHits& hits = file.definitions.emplace_back();
      hits.source_line = entry.SourceLine;
      hits.pattern = entry.Pattern;
      hits.tail = entry.Tail;
    }
  }
  return files_[at->second];
}

void DefinitionStats::DefinitionsUsed(const DefinitionTable& table) { FileFor(table); }

void DefinitionStats::LineMatched(const MatchedLine& line) {
  std::vector<DefinitionHits>& hits = FileFor(line.definitions).definitions;
  // The file was edited and loaded again with more entries during the run:
  // the counts of the new ones start here.
  const auto grow = [&](int entry) {
    while (hits.size() <= static_cast<std::size_t>(entry)) {
      const auto source_line = static_cast<std::int64_t>(hits.size()) + 1;
      hits.emplace_back().source_line = source_line;
    }
    return &hits[static_cast<std::size_t>(entry)];
  };
  DefinitionHits* first = grow(line.first);
  ++first->won;
  ++first->matched;
  for (const int entry : line.every) {
    if (entry == line.first) continue;
    DefinitionHits* other = grow(entry);
    ++other->matched;
    ++other->lost_to[line.first];
  }
}

}  // namespace quillet
