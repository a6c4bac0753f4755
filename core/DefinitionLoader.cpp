#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "core/ByteText.h"
#include "core/Ctype.h"
#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "core/TextIO.h"
#include "core/Texts.h"

namespace quillet {

namespace {

constexpr std::string_view kDefinitionFileName = "Quillet.def";

bool IsCommentLine(std::string_view line) { return !line.empty() && line.front() == ';'; }

// Splits a definition line at its marker: the first single-byte '\' (by the
// double-byte state, so the 0x5C of a character such as 表 never counts)
// that is followed by 'r' or 'R'. Scanning stops there, so a later marker
// belongs to the tail.
DefinitionEntry SplitDefinition(std::string_view line) {
  ByteState state = ByteState::kSingle;
  for (std::size_t i = 0; i < line.size(); ++i) {
    state = NextByteState(state, static_cast<unsigned char>(line[i]));
    if (line[i] != '\\' || state != ByteState::kSingle || i + 1 == line.size()) continue;
    if (line[i + 1] == 'r' || line[i + 1] == 'R') {
      return {std::string(line.substr(0, i)), std::string(line.substr(i + 2))};
    }
  }
  return {std::string(line), {}};
}

// True when the pattern is made only of '*' and spaces (or is empty): such a
// definition would match every line.
bool IsStarOnly(std::string_view pattern) {
  return pattern.find_first_not_of("* ") == std::string_view::npos;
}

// Reads the definitions of an open file into `table`. Returns 0 or the code
// of the first fault met in file order.
int ReadDefinitions(LineReader& reader, DefinitionTable& table) {
  std::string line;
  LineEnd end;
  while (reader.ReadLine(line, end)) {
    if (TrimBlanks(line).empty() || IsCommentLine(line)) continue;
    if (table.Count() >= MaxDefinitionLines) return frTooManyDefinitionLines;
    table.Entries.push_back(SplitDefinition(line));
    if (IsStarOnly(table.Entries.back().Pattern)) return frStarOnlyDefinition;
  }
  if (reader.failed()) return frDefinitionOpenError;
  return table.Count() == 0 ? frNoDefinitionLines : 0;
}

std::string LoadLine(int count) {
  const int size = std::snprintf(nullptr, 0, texts::kLoadLineFormat, count);
  std::string line(static_cast<std::size_t>(size), '\0');
  std::snprintf(line.data(), line.size() + 1, texts::kLoadLineFormat, count);
  return line;
}

}  // namespace

int LoadDefinitions(Engine& engine, std::string_view folder) {
  std::string path = std::string(folder).append(kDefinitionFileName);
  if (!engine.fs.Exists(path)) {
    const std::string in_folder = path;
    path = engine.program_folder + std::string(kDefinitionFileName);
    if (!engine.fs.Exists(path)) {
      engine.status.Note(
          {.kind = RunNote::Kind::kDefinitionFileMissing, .path = in_folder, .other = path});
      return frNoDefinitionFile;
    }
  }
  DefinitionTable& table = engine.globals.definitions;
  if (path == table.LoadedFrom) return 0;
  engine.status.Note({.kind = RunNote::Kind::kDefinitionFileChosen, .path = path});

  // From here on LoadedFrom names this file, also after a failure, so the
  // run's error message can show which file was at fault.
  table.LoadedFrom = path;
  table.Entries.clear();
  std::unique_ptr<platform::File> file = engine.fs.Open(path, platform::OpenMode::kRead).file;
  if (!file) return frDefinitionOpenError;
  LineReader reader(*file, engine.block_bytes);
  const int code = ReadDefinitions(reader, table);
  file->Close();
  if (code != 0) return code;

  engine.status.AppendLine(LoadLine(table.Count()));
  return 0;
}

}  // namespace quillet
