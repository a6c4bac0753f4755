#pragma once

// What an unattended run prints beyond its status log: the lines a preview
// would delete or replace (--show-lines) and the definition hit counts
// (--stats, --stats=json). UTF-8 for the terminal; no widgets.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/DefinitionStats.h"
#include "core/MatchWatcher.h"
#include "text/TextCode.h"

namespace quillet::ui {

// A log line, definition or replacement text as the terminal shows it, in
// UTF-8: Shift-JIS text converted, UTF-8 text as it is; a character with no
// Unicode form, or a byte that is no valid UTF-8, becomes U+FFFD so that
// the rest of the line still shows. The one place where the text code of
// log lines meets the terminal.
std::string ShownText(std::string_view text, TextCode code);

// Writes each line that a definition matched as two lines:
//   FILE:LINE: TEXT
//       deleted: DEFINITION-FILE:LINE
//   or  replaced: DEFINITION-FILE:LINE: REPLACEMENT
// Paths are shown as TerminalPath shows them.
class LineLister : public MatchWatcher {
 public:
  using Writer = std::function<void(const std::string& utf8_line)>;
  LineLister(Writer out, TextCode code) : out_(std::move(out)), code_(code) {}

  void DefinitionsUsed(const DefinitionTable&) override {}
  bool WantsEveryMatch() const override { return false; }
  void LineMatched(const MatchedLine& line) override;

 private:
  Writer out_;
  TextCode code_;
};

// Passes everything on to each watcher given, in order.
class MatchWatchers : public MatchWatcher {
 public:
  explicit MatchWatchers(std::vector<MatchWatcher*> watchers) : watchers_(std::move(watchers)) {}
  void DefinitionsUsed(const DefinitionTable& table) override;
  bool WantsEveryMatch() const override;
  void LineMatched(const MatchedLine& line) override;

 private:
  std::vector<MatchWatcher*> watchers_;
};

// The hit counts for a person: per definition file, every definition in
// file order with its line number, the lines it won and its pattern, then
// the definitions that won no line, each with "shadowed by line N" where
// it matched lines that earlier definitions took (N: see ShadowingOf).
std::string StatsText(const std::vector<DefinitionFileHits>& files, TextCode code);

// The same as one line of JSON, for scripts:
// {"definition_files":[{"path":...,"definitions":[{"line":3,"pattern":...,
//  "replacement":...,"won":12,"matched":12},...],"won_no_line":[{"line":5,
//  "pattern":...,"matched":4,"shadowed_by":3,"taken_by":1},...]}]}
// "replacement" is null for a definition that deletes, "shadowed_by" null
// for one that matched no line, "taken_by" the number of definitions that
// took its lines.
std::string StatsJson(const std::vector<DefinitionFileHits>& files, TextCode code);

}  // namespace quillet::ui
