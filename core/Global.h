#pragma once

// The program-wide records: the processing options, the definition table,
// the run state and the shell flags. Each exists once for the life of the
// program (TheGlobals()); tests make their own instances.

#include <cstdint>
#include <string>
#include <vector>

#include "text/TextCode.h"

namespace quillet {

// Every user setting; each field is named after its key in Quillet.ini.
// Texts are Shift-JIS bytes. The defaults are those of a missing key.
struct ProcessingOptions {
  bool Trim = true;
  std::int32_t SpLine = 1;  // -1 every blank line, 1 the first of a run, 0 none
  bool Skip = true;
  bool Time = true;
  bool TimeZ = true;
  bool SkipDisp = false;
  std::string BackExt = "qu$";
  bool Back = false;
  bool Inc = false;
  std::string IncExt = "inc";
  std::string F1 = "*.log";
  std::string S1 = "\xDB\xB8\xDE\xCC\xA7\xB2\xD9";  // ﾛｸﾞﾌｧｲﾙ
  std::string F2 = "*.txt";
  std::string S2 = "\xC3\xB7\xBD\xC4\xCC\xA7\xB2\xD9";  // ﾃｷｽﾄﾌｧｲﾙ
  std::string F3;
  std::string S3;
  std::string F4;
  std::string S4;
  std::string F5 = "*.*";
  std::string S5 = "\x91\x53\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9";  // 全てのﾌｧｲﾙ
  std::string Editor = "notepad.exe";
  bool Multi = true;
  std::int32_t StatusHeight = 365;
  std::int32_t StatusWidth = 415;
  // The text code of log lines and definitions: "Shift_JIS" or "UTF-8" in
  // Quillet.ini; any other value reads as Shift-JIS.
  TextCode Code = TextCode::kShiftJis;
};

// The filter text of the file dialogs: "desc(pat)|pat|..." for every row
// with a non-empty pattern, without the final '|'; empty when no row has one.
std::string BuildFileFilter(const ProcessingOptions& options);

inline constexpr int MaxDefinitionLines = 2000;

// "///dummy///": the LoadedFrom value set at the start of every run, which
// no path can equal, so the first folder with files reads its file afresh.
inline constexpr const char* kLoadedFromDummy = "///dummy///";

struct DefinitionEntry {
  std::string Pattern;  // the line up to the split marker, blanks included
  std::string Tail;     // replacement text after the marker; empty deletes
  // Its line number in the file it was read from; 0 when not read from one.
  std::int64_t SourceLine = 0;
};

struct DefinitionTable {
  std::string LoadedFrom;                // path of the file last loaded
  std::vector<DefinitionEntry> Entries;  // in file order, at most 2000
  int Count() const { return static_cast<int>(Entries.size()); }
};

// Run state, reset by the run control at the start of every run.
struct RunState {
  bool CancelRequested = false;
  std::int32_t FoundCount = 0;
  std::int32_t ErrorCount = 0;
  std::int32_t SkipCount = 0;
};

// Flags owned by the application shell.
struct ShellFlags {
  bool IsProcessing = false;
  bool AutoStart = false;
  bool AutoExit = false;
  bool AutoExitDue = false;
  std::string ViewerPath;
};

struct Globals {
  ProcessingOptions options;
  DefinitionTable definitions;
  RunState run;
  ShellFlags shell;
};

// The one instance of the running program.
Globals& TheGlobals();

}  // namespace quillet
