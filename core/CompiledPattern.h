#pragma once

// A definition pattern read once into literal runs and wild cards, so that
// matching it against many lines no longer decodes escapes and double-byte
// states byte by byte on every line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/TextCode.h"

namespace quillet {

// What every line matching a pattern contains. The views point into the
// CompiledPattern they came from: valid until it is moved or destroyed.
struct PatternLiterals {
  std::string_view prefix;             // the bytes such a line starts with
  std::vector<std::string_view> runs;  // literal runs it holds, in pattern order
};

// Gives, for every line, exactly the answer of MatchPattern(line, pattern,
// code) == 0: the anchored part compared in place ('?' any one byte), then from
// the first '*' on each literal run after a '*' taken at its leftmost
// occurrence, nothing retried; both texts end at their first zero byte; a
// '\' that ends the pattern stands for nothing. Holds its own copy of what
// it needs; allocates nothing while matching. In UTF-8, where a '?' takes a
// character of one to four bytes, the anchored part ends at its first '?'
// and the rest is matched step by step like the part after a '*'.
class CompiledPattern {
 public:
  explicit CompiledPattern(std::string_view pattern, TextCode code = TextCode::kShiftJis);

  // `line` must already end at its first zero byte (callers cut it once
  // for all patterns).
  bool Matches(std::string_view line) const;

  // The pattern's literals with their escapes resolved, as Matches compares
  // them: the prefix is the anchored part up to its first '?' (empty when
  // the pattern starts with '?' or '*'); the runs are the pieces of the
  // anchored part between its '?'s and the runs after the first '*', empty
  // ones left out, so the prefix, when not empty, is also the first run.
  PatternLiterals RequiredLiterals() const;

 private:
  enum class End : std::uint8_t {
    kExact,          // no '*': the line is exactly the anchored part
    kLoneBackslash,  // the same, reached through a trailing lone '\'
    kFloating,       // steps follow the anchored part (from a '*', or a '?' in UTF-8)
  };
  // kAny takes one byte, kAnyCharacter one UTF-8 character.
  enum class Step : std::uint8_t { kStar, kAny, kAnyCharacter, kRun };
  struct FloatingStep {
    Step kind;
    std::uint32_t offset = 0;  // kRun: its bytes in runs_
    std::uint32_t size = 0;
  };

  std::string anchored_;   // anchored bytes; '?' positions hold any value
  std::vector<bool> any_;  // per anchored byte: an unescaped '?'
  bool has_any_ = false;
  End end_ = End::kExact;
  std::vector<FloatingStep> steps_;
  std::string runs_;
};

}  // namespace quillet
