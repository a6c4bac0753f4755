#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/DefinitionIndex.h"
#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "core/TextIO.h"
#include "core/Texts.h"
#include "text/ByteText.h"
#include "text/Separators.h"

namespace quillet {

namespace {

constexpr std::string_view kDefinitionFileName = "Quillet.def";

bool IsCommentLine(std::string_view line) { return !line.empty() && line.front() == ';'; }

// Splits a definition line at its marker: the first single-byte '\' (by the
// rules of the text code, so in Shift-JIS the 0x5C of a character such as 表
// never counts) that is followed by 'r' or 'R'. Scanning stops there, so a
// later marker belongs to the tail.
DefinitionEntry SplitDefinition(std::string_view line, TextCode code) {
  std::size_t at = FindFirstSingleByte(line, "\\", 0, code);
  for (; at != std::string_view::npos; at = FindFirstSingleByte(line, "\\", at + 1, code)) {
    if (at + 1 < line.size() && (line[at + 1] == 'r' || line[at + 1] == 'R')) {
      return {std::string(line.substr(0, at)), std::string(line.substr(at + 2))};
    }
  }
  return {std::string(line), {}};
}

// True when the pattern is made only of '*' and spaces (or is empty): such a
// definition would match every line.
bool IsStarOnly(std::string_view pattern) {
  return pattern.find_first_not_of("* ") == std::string_view::npos;
}

// How a line reads as UTF-8: not at all, or as ASCII alone, or with
// characters of several bytes (shortest forms of U+0080..U+10FFFF, no
// surrogates).
enum class Utf8Reading { kNotUtf8, kAscii, kMultiByte };

Utf8Reading ReadAsUtf8(std::string_view line) {
  bool multi_byte = false;
  std::size_t i = 0;
  while (i < line.size()) {
    const auto lead = static_cast<unsigned char>(line[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || i + length > line.size()) return Utf8Reading::kNotUtf8;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(line[i + k]);
      if ((next & 0xC0) != 0x80) return Utf8Reading::kNotUtf8;
      code = (code << 6) | (next & 0x3F);
    }
    const char32_t shortest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < shortest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return Utf8Reading::kNotUtf8;
    }
    multi_byte = true;
    i += length;
  }
  return multi_byte ? Utf8Reading::kMultiByte : Utf8Reading::kAscii;
}

// Reads the definitions of an open file into `table`, by the rules of
// `code`; blanks are bytes up to 0x20 in either code. Returns 0 or the code
// of the first fault met in file order. `utf8` becomes true when every line
// read, comments included, is UTF-8 and one holds a multi-byte character.
int ReadDefinitions(LineReader& reader, DefinitionTable& table, TextCode code, bool& utf8) {
  std::string line;
  bool not_utf8 = false;
  bool multi_byte = false;
  LineEnd end;
  std::int64_t line_number = 0;
  while (reader.ReadLine(line, end)) {
    ++line_number;
    const Utf8Reading reading = not_utf8 ? Utf8Reading::kNotUtf8 : ReadAsUtf8(line);
    not_utf8 = reading == Utf8Reading::kNotUtf8;
    multi_byte = multi_byte || reading == Utf8Reading::kMultiByte;
    utf8 = !not_utf8 && multi_byte;
    if (TrimBlanks(line).empty() || IsCommentLine(line)) continue;
    if (table.Count() >= MaxDefinitionLines) return frTooManyDefinitionLines;
    table.Entries.push_back(SplitDefinition(line, code));
    table.Entries.back().SourceLine = line_number;
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
  if (path == table.LoadedFrom) {
    if (engine.match_watcher != nullptr) engine.match_watcher->DefinitionsUsed(table);
    return 0;
  }
  engine.status.Note({.kind = RunNote::Kind::kDefinitionFileChosen, .path = path});

  // From here on LoadedFrom names this file, also after a failure, so the
  // run's error message can show which file was at fault.
  table.LoadedFrom = path;
  table.Entries.clear();
  // The index stays until the new table is read: a folder tree whose
  // folders each hold a copy of the same definitions then builds it once
  // (CurrentDefinitionIndex keeps an index built from the same patterns).
  std::unique_ptr<platform::File> file = engine.fs.Open(path, platform::OpenMode::kRead).file;
  if (!file) {
    engine.definition_index.reset();
    return frDefinitionOpenError;
  }
  LineReader reader(*file, engine.block_bytes);
  bool utf8 = false;
  const TextCode text_code = engine.globals.options.Code;
  const int code = ReadDefinitions(reader, table, text_code, utf8);
  file->Close();
  if (code != 0) {
    engine.definition_index.reset();
    return code;
  }

  CurrentDefinitionIndex(engine);
  engine.status.AppendLine(LoadLine(table.Count()));
  // UTF-8 definitions are what a UTF-8 run expects.
  if (utf8 && text_code == TextCode::kShiftJis && engine.on_utf8_definitions)
    engine.on_utf8_definitions(path);
  if (engine.match_watcher != nullptr) engine.match_watcher->DefinitionsUsed(table);
  return 0;
}

void DefinitionIndexDeleter::operator()(DefinitionIndex* index) const { delete index; }

DefinitionIndex& CurrentDefinitionIndex(Engine& engine) {
  const std::vector<DefinitionEntry>& entries = engine.globals.definitions.Entries;
  const TextCode code = engine.globals.options.Code;
  if (!engine.definition_index || !engine.definition_index->BuiltFrom(entries, code)) {
    // The old index goes first: two of 2000 definitions need not coexist.
    engine.definition_index.reset();
    engine.definition_index.reset(new DefinitionIndex(entries, code));
  }
  return *engine.definition_index;
}

}  // namespace quillet
