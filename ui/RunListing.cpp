#include "ui/RunListing.h"

#include <cinttypes>
#include <cstdio>
#include <optional>
#include <utility>

#include "platform/Sjis.h"
#include "text/ByteState.h"
#include "ui/Headless.h"

namespace quillet::ui {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

std::string Number(std::int64_t value) { return std::to_string(value); }

std::string Padded(std::int64_t value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%*" PRId64, width, value);
  return text;
}

// A JSON string of UTF-8 text.
std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ShownText(std::string_view text, TextCode code) {
  if (code == TextCode::kShiftJis) {
    if (std::optional<std::string> utf8 = platform::SjisToUtf8(text)) return *std::move(utf8);
  }
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    if (code == TextCode::kUtf8) {
      const std::size_t length = Utf8CharLengthAt(text, pos);
      const bool valid = length > 1 || static_cast<unsigned char>(text[pos]) < 0x80;
      shown += valid ? text.substr(pos, length) : std::string_view(kReplacement);
      pos += length;
      continue;
    }
    const std::size_t length = CharLengthAt(text, pos);
    const std::optional<std::string> one = platform::SjisToUtf8(text.substr(pos, length));
    shown += one ? *one : std::string(kReplacement);
    pos += length;
  }
  return shown;
}

void LineLister::LineMatched(const MatchedLine& line) {
  const DefinitionEntry& entry = line.definitions.Entries[static_cast<std::size_t>(line.first)];
  out_(TerminalPath(line.file) + ":" + Number(line.number) + ": " + ShownText(line.text, code_));
  const std::string where =
      TerminalPath(line.definitions.LoadedFrom) + ":" + Number(entry.SourceLine);
  out_(line.written ? "    replaced: " + where + ": " + ShownText(line.written_as, code_)
                    : "    deleted: " + where);
}

void MatchWatchers::DefinitionsUsed(const DefinitionTable& table) {
  for (MatchWatcher* watcher : watchers_) watcher->DefinitionsUsed(table);
}

bool MatchWatchers::WantsEveryMatch() const {
  for (const MatchWatcher* watcher : watchers_) {
    if (watcher->WantsEveryMatch()) return true;
  }
  return false;
}

void MatchWatchers::LineMatched(const MatchedLine& line) {
  for (MatchWatcher* watcher : watchers_) watcher->LineMatched(line);
}

std::string StatsText(const std::vector<DefinitionFileHits>& files, TextCode code) {
  if (files.empty()) return "Definition hits: no definition file was used\n";
  std::string out;
  for (const DefinitionFileHits& file : files) {
    out += "Definition hits: " + TerminalPath(file.path) + "\n";
    out += "    line       won  definition\n";
    for (const DefinitionHits& hits : file.definitions) {
      out += Padded(hits.source_line, 8) + Padded(hits.won, 10) + "  " +
             ShownText(hits.pattern, code) + "\n";
    }
    out += "Won no line:";
    bool any = false;
    for (const DefinitionHits& hits : file.definitions) {
      if (hits.won != 0) continue;
      any = true;
      out += "\n" + Padded(hits.source_line, 8) + "  " + ShownText(hits.pattern, code);
      const Shadowing shadowing = ShadowingOf(file, hits);
      if (shadowing.source_line != 0) {
        out += "  (shadowed by line " + Number(shadowing.source_line);
        if (shadowing.takers > 1) out += " and " + Number(shadowing.takers - 1) + " more";
        out += ")";
      }
    }
    out += any ? "\n\n" : " none\n\n";
  }
  return out;
}

std::string StatsJson(const std::vector<DefinitionFileHits>& files, TextCode code) {
  std::string out = "{\"definition_files\":[";
  for (std::size_t f = 0; f < files.size(); ++f) {
    const DefinitionFileHits& file = files[f];
    if (f != 0) out += ',';
    out += "{\"path\":" + JsonString(TerminalPath(file.path)) + ",\"definitions\":[";
    std::string unused;
    for (std::size_t i = 0; i < file.definitions.size(); ++i) {
      const DefinitionHits& hits = file.definitions[i];
      if (i != 0) out += ',';
      const std::string line = "{\"line\":" + Number(hits.source_line) +
                               ",\"pattern\":" + JsonString(ShownText(hits.pattern, code));
      out += line + ",\"replacement\":" +
             (hits.tail.empty() ? std::string("null") : JsonString(ShownText(hits.tail, code))) +
             ",\"won\":" + Number(hits.won) + ",\"matched\":" + Number(hits.matched) + "}";
      if (hits.won != 0) continue;
      const Shadowing shadowing = ShadowingOf(file, hits);
      if (!unused.empty()) unused += ',';
      unused += line + ",\"matched\":" + Number(hits.matched) + ",\"shadowed_by\":" +
                (shadowing.source_line != 0 ? Number(shadowing.source_line) : "null") +
                ",\"taken_by\":" + Number(shadowing.takers) + "}";
    }
    out += "],\"won_no_line\":[" + unused + "]}";
  }
  return out + "]}\n";
}

}  // namespace quillet::ui
