#include "core/CompiledPattern.h"

#include <cstring>

#include "text/ByteState.h"

namespace quillet {

CompiledPattern::CompiledPattern(std::string_view pattern, TextCode code) {
  pattern = pattern.substr(0, pattern.find('\0'));
  std::size_t pos = 0;
  ByteState previous = ByteState::kSingle;
  // Steps before the first '*' are anchored: there an empty run (from a
  // lone final '\') stands for nothing instead of needing a byte.
  bool anchored_steps = false;

  // Anchored part, up to the first '*', read as the matcher reads it: the
  // '*' test comes before any escape or double-byte classification.
  for (;;) {
    if (pos == pattern.size()) return;  // End::kExact
    auto byte = static_cast<unsigned char>(pattern[pos]);
    ByteState state = NextByteState(code, previous, byte);
    if (byte == '*') {
      end_ = End::kFloating;
      previous = state;
      break;
    }
    if (byte == '?' && code == TextCode::kUtf8) {
      end_ = End::kFloating;
      anchored_steps = true;
      break;
    }
    bool escaped = false;
    if (byte == '\\' && state == ByteState::kSingle) {
      if (++pos == pattern.size()) {
        end_ = End::kLoneBackslash;
        return;
      }
      byte = static_cast<unsigned char>(pattern[pos]);
      state = ByteState::kSingle;
      escaped = true;
    }
    const bool any = byte == '?' && !escaped;
    anchored_.push_back(static_cast<char>(byte));
    any_.push_back(any);
    has_any_ = has_any_ || any;
    previous = state;
    ++pos;
  }

  // Floating part (in UTF-8, from the anchored part's first '?' on, which
  // takes a character of any length): '*' and '?' are taken as they stand
  // and leave the double-byte state alone; every other stretch is one
  // literal run, which ends early (and empty, when nothing came before) at a
  // lone final '\'.
  const Step any = code == TextCode::kUtf8 ? Step::kAnyCharacter : Step::kAny;
  while (pos < pattern.size()) {
    if (pattern[pos] == '*' || pattern[pos] == '?') {
      if (pattern[pos] == '*') anchored_steps = false;
      steps_.push_back({pattern[pos] == '*' ? Step::kStar : any});
      ++pos;
      continue;
    }
    const auto offset = static_cast<std::uint32_t>(runs_.size());
    while (pos < pattern.size() && pattern[pos] != '*' && pattern[pos] != '?') {
      const auto byte = static_cast<unsigned char>(pattern[pos++]);
      const ByteState state = NextByteState(code, previous, byte);
      if (byte == '\\' && state == ByteState::kSingle) {
        if (pos == pattern.size()) break;
        runs_.push_back(pattern[pos++]);
        previous = ByteState::kSingle;
      } else {
        runs_.push_back(static_cast<char>(byte));
        previous = state;
      }
    }
    const auto size = static_cast<std::uint32_t>(runs_.size() - offset);
    if (size > 0 || !anchored_steps) steps_.push_back({Step::kRun, offset, size});
  }
}

PatternLiterals CompiledPattern::RequiredLiterals() const {
  PatternLiterals literals;
  const std::string_view anchored(anchored_);
  bool first = true;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= anchored.size(); ++i) {
    if (i < anchored.size() && !any_[i]) continue;
    const std::string_view piece = anchored.substr(start, i - start);
    if (first) literals.prefix = piece;
    first = false;
    if (!piece.empty()) literals.runs.push_back(piece);
    start = i + 1;
  }
  for (const FloatingStep& step : steps_) {
    if (step.kind == Step::kRun && step.size > 0)
      literals.runs.emplace_back(runs_.data() + step.offset, step.size);
  }
  return literals;
}

bool CompiledPattern::Matches(std::string_view line) const {
  const std::size_t anchored_size = anchored_.size();
  switch (end_) {
    case End::kExact:
      // An empty pattern matches nothing, not even an empty line.
      if (anchored_size == 0 || line.size() != anchored_size) return false;
      break;
    case End::kLoneBackslash:
      if (line.size() != anchored_size) return false;
      break;
    case End::kFloating:
      if (line.size() < anchored_size) return false;
      break;
  }
  if (!has_any_) {
    if (std::memcmp(line.data(), anchored_.data(), anchored_size) != 0) return false;
  } else {
    for (std::size_t i = 0; i < anchored_size; ++i)
      if (!any_[i] && line[i] != anchored_[i]) return false;
  }
  if (end_ != End::kFloating) return true;

  std::size_t at = anchored_size;
  bool floating = false;
  for (const FloatingStep& step : steps_) {
    if (step.kind == Step::kStar) {
      floating = true;
      continue;
    }
    // '?' and a run both need a byte left, even a run that is empty.
    if (at == line.size()) return false;
    if (step.kind == Step::kAny) {
      ++at;  // a '?' leaves a preceding '*' in force
      continue;
    }
    if (step.kind == Step::kAnyCharacter) {
      at += Utf8CharLengthAt(line, at);
      continue;
    }
    const std::string_view run(runs_.data() + step.offset, step.size);
    if (floating) {
      // The leftmost occurrence; an empty run is never found.
      const std::size_t found = run.empty() ? std::string_view::npos : line.find(run, at);
      if (found == std::string_view::npos) return false;
      at = found + run.size();
    } else {
      if (line.size() - at < run.size() || std::memcmp(line.data() + at, run.data(), run.size()))
        return false;
      at += run.size();
    }
    floating = false;
  }
  return floating || at == line.size();
}

}  // namespace quillet
