#include "core/StrUnit.h"

#include <cstddef>
#include <cstring>

#include "text/ByteState.h"

namespace quillet {

namespace {

// The literal buffer holds one run of at most this many bytes; a longer run
// is matched by its first kRunBufferBytes and the rest compared in place.
constexpr std::size_t kRunBufferBytes = 255;

// The end of a text: its first zero byte, or its physical end.
std::size_t TextEnd(std::string_view text, std::size_t from) {
  if (from >= text.size()) return text.size();
  const void* zero = std::memchr(text.data() + from, '\0', text.size() - from);
  if (zero == nullptr) return text.size();
  return static_cast<std::size_t>(static_cast<const char*>(zero) - text.data());
}

// A read position in the floating part of the pattern, with the double-byte
// state of the byte before it.
struct RunCursor {
  const char* pos;
  const char* end;
  ByteState previous;
  TextCode code;
};

// Takes the next byte of a literal run into `byte`. Returns false when the
// run ends: at an unescaped '*' or '?', at the end of the pattern, or at a
// '\' that is the pattern's last byte (which is dropped). A single-byte '\'
// escapes the byte after it; that byte counts as single for the state of
// the byte that follows.
bool NextRunByte(RunCursor& cursor, unsigned char& byte) {
  if (cursor.pos == cursor.end || *cursor.pos == '*' || *cursor.pos == '?') return false;
  const auto current = static_cast<unsigned char>(*cursor.pos++);
  const ByteState state = NextByteState(cursor.code, cursor.previous, current);
  if (current == '\\' && state == ByteState::kSingle) {
    if (cursor.pos == cursor.end) return false;
    byte = static_cast<unsigned char>(*cursor.pos++);
    cursor.previous = ByteState::kSingle;
    return true;
  }
  byte = current;
  cursor.previous = state;
  return true;
}

// Compares the rest of a run that did not fit the buffer with the line at
// `at`. On success `at` is just past it and `cursor` at the run's end.
bool RestOfRunMatches(RunCursor& cursor, const char* line_end, const char*& at) {
  unsigned char byte;
  while (NextRunByte(cursor, byte)) {
    if (at == line_end || static_cast<unsigned char>(*at) != byte) return false;
    ++at;
  }
  return true;
}

// Both texts end at their first zero byte; the checks are lazy so that a
// pattern failing on its first bytes never scans the whole line.
bool AtEnd(std::string_view text, std::size_t pos) {
  return pos >= text.size() || text[pos] == '\0';
}

// Collects the literal run at `cursor` and finds it in the line: with
// `floating`, at its leftmost occurrence from `at` on; otherwise right at
// `at`. On success `at` is just past the run and `cursor` at the run's end.
// The caller has made sure the line has not ended.
bool MatchRun(RunCursor& cursor, bool floating, const char*& at, const char* line_end) {
  char run[kRunBufferBytes + 1];
  std::size_t run_size = 0;
  bool complete = false;
  unsigned char byte;
  while (run_size < kRunBufferBytes) {
    if (!NextRunByte(cursor, byte)) {
      complete = true;
      break;
    }
    run[run_size++] = static_cast<char>(byte);
  }
  run[run_size] = '\0';
  if (!complete) {
    // A full buffer may hold the whole run; peek to find out.
    RunCursor peek = cursor;
    if (!NextRunByte(peek, byte)) {
      complete = true;
      cursor = peek;
    }
  }

  if (!floating) {
    if (static_cast<std::size_t>(line_end - at) < run_size || std::memcmp(at, run, run_size) != 0)
      return false;
    at += run_size;
    return complete || RestOfRunMatches(cursor, line_end, at);
  }
  // An empty run is never found while floating.
  if (run_size == 0) return false;
  const std::string_view head(run, run_size);
  const std::string_view rest_of_line(at, static_cast<std::size_t>(line_end - at));
  for (std::size_t from = 0;;) {
    const std::size_t found = rest_of_line.find(head, from);
    if (found == std::string_view::npos) return false;
    const char* after = at + found + run_size;
    RunCursor rest = cursor;
    if (complete || RestOfRunMatches(rest, line_end, after)) {
      at = after;
      cursor = rest;
      return true;
    }
    from = found + 1;
  }
}

// The bytes a '?' takes from the line at `pos`: one, or in UTF-8 one
// character. A zero byte is never part of a UTF-8 character, so a character
// never reaches past the end of the text.
std::size_t OneCharacter(TextCode code, std::string_view line, std::size_t pos) {
  return code == TextCode::kUtf8 ? Utf8CharLengthAt(line, pos) : 1;
}

// Floating part, from the first unescaped '*' on: single pass, a literal
// run after '*' taken at its leftmost occurrence, nothing retried.
int MatchFloating(std::string_view line, std::size_t line_pos, std::string_view pattern,
                  std::size_t pattern_pos, ByteState previous, TextCode code) {
  const char* at = line.data() + line_pos;
  const char* const line_end = line.data() + TextEnd(line, line_pos);
  RunCursor cursor{pattern.data() + pattern_pos, pattern.data() + TextEnd(pattern, pattern_pos),
                   previous, code};
  bool floating = false;
  for (;;) {
    if (cursor.pos == cursor.end) return (floating || at == line_end) ? 0 : 1;
    if (*cursor.pos == '*') {
      floating = true;
      ++cursor.pos;
    } else if (*cursor.pos == '?') {
      if (at == line_end) return 1;
      at += OneCharacter(code, line.substr(0, static_cast<std::size_t>(line_end - line.data())),
                         static_cast<std::size_t>(at - line.data()));
      ++cursor.pos;
    } else {
      if (at == line_end || !MatchRun(cursor, floating, at, line_end)) return 1;
      floating = false;
    }
  }
}

}  // namespace

int MatchPattern(std::string_view line, std::string_view pattern, TextCode code) {
  std::size_t line_pos = 0;
  std::size_t pattern_pos = 0;
  ByteState previous = ByteState::kSingle;
  for (;;) {
    // Anchored part, up to the first unescaped '*'. A pattern that has
    // ended while the line has not (or an empty pattern) fails here.
    if (AtEnd(pattern, pattern_pos)) return 1;
    auto byte = static_cast<unsigned char>(pattern[pattern_pos]);
    ByteState state = NextByteState(code, previous, byte);
    if (byte == '*') return MatchFloating(line, line_pos, pattern, pattern_pos, state, code);
    bool escaped = false;
    if (byte == '\\' && state == ByteState::kSingle) {
      ++pattern_pos;
      // A lone '\' at the end of the pattern stands for nothing.
      if (AtEnd(pattern, pattern_pos)) return AtEnd(line, line_pos) ? 0 : 1;
      byte = static_cast<unsigned char>(pattern[pattern_pos]);
      state = ByteState::kSingle;
      escaped = true;
    }
    if (AtEnd(line, line_pos)) return 1;
    const bool any = byte == '?' && !escaped;
    if (!any && static_cast<unsigned char>(line[line_pos]) != byte) return 1;
    previous = state;
    ++pattern_pos;
    line_pos += any ? OneCharacter(code, line, line_pos) : 1;
    if (AtEnd(pattern, pattern_pos) && AtEnd(line, line_pos)) return 0;
  }
}

}  // namespace quillet
