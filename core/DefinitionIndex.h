#pragma once

// The definition lookup of the filter pass: which entry of the definition
// table, in table order, is the first whose Pattern matches a log line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/CompiledPattern.h"
#include "core/Global.h"

namespace quillet {

// The reference lookup: tries the entries in table order with MatchPattern
// by the rules of `code` and returns the index of the first that matches,
// or -1 when none does.
int FindFirstMatchPlain(const std::vector<DefinitionEntry>& entries, std::string_view line,
                        TextCode code = TextCode::kShiftJis);

// Gives the same answer as FindFirstMatchPlain without trying every entry.
// Each Pattern is read once into a CompiledPattern (the same answers as
// MatchPattern), and of its required literals the index takes one: the
// prefix when it is long, else the longest run; a line can only match an
// entry whose literal it contains (at its start, for a prefix). Four-byte
// windows of those literals are looked up in one hash set at every k-th
// line position, k the largest stride the shortest literal allows (prefixes
// in another set, at a few fixed positions); a hit is confirmed by
// comparing the whole literal, and the candidates only are matched, in
// table order, by their compiled forms. Entries without a literal of at
// least four bytes are tried on every line.
//
// The index keeps a copy of the patterns it was built from, so `entries`
// may change or go away afterwards. Building sorts the windows of all
// literals, a few milliseconds for 2000 definitions, so the engine keeps
// one index for every file while the table stays the same
// (CurrentDefinitionIndex in core/Engine.h). FindFirstMatch allocates
// nothing once its scratch space has grown to the table's size.
class DefinitionIndex {
 public:
  // `code` is the text code of the patterns and of the lines looked up.
  explicit DefinitionIndex(const std::vector<DefinitionEntry>& entries,
                           TextCode code = TextCode::kShiftJis);

  // The index of the first entry whose Pattern matches `line`, or -1.
  int FindFirstMatch(std::string_view line);

  // Sets `matches` to every entry whose Pattern matches `line`, ascending;
  // the first of them is FindFirstMatch's answer.
  void FindEveryMatch(std::string_view line, std::vector<int>& matches);

  // True when `entries` hold, in order, exactly the patterns the index was
  // built from, read by the same code (Tails do not matter to the lookup).
  bool BuiltFrom(const std::vector<DefinitionEntry>& entries, TextCode code) const;

 private:
  // Where one window of a literal sits.
  struct Posting {
    std::uint32_t entry;
    std::uint32_t window_offset;   // of the window inside the literal
    std::uint32_t literal_offset;  // of the literal in literals_
    std::uint32_t literal_size;    // at least the window's four bytes
    std::uint32_t head;            // the literal's first four bytes
    std::uint32_t tail;            // and its last four
  };
  // A hash set of windows, looked up at every `stride`-th line position,
  // or for prefixes only at the positions in `offsets`.
  struct WindowGroup {
    std::size_t stride = 1;
    std::vector<std::size_t> offsets;
    int shift = 32;                    // bloom bits = 32 - shift
    int slot_shift = 32;               // slot bits = 32 - slot_shift
    std::vector<std::uint64_t> bloom;  // one bit per hash value
    struct Slot {
      std::uint32_t window = 0;
      std::uint32_t begin = 0;  // postings_ range; begin == end: empty slot
      std::uint32_t end = 0;
    };
    std::vector<Slot> slots;  // open addressing, size 2^(32 - shift + 1)
    std::vector<Posting> postings;
  };

  // How many of the indexed literals hold each four-byte window.
  class WindowCounts;

  // Adds `literal` to the stride group `group`, which its size must support.
  static Posting MakePosting(std::uint32_t entry, std::size_t window_offset,
                             std::uint32_t literal_offset, std::string_view literal);
  void AddLiteral(std::uint32_t entry, std::string_view literal, std::size_t group,
                  const WindowCounts& sharing);
  void AddPrefix(std::uint32_t entry, std::string_view prefix, const WindowCounts& sharing);
  void BuildGroups(std::vector<std::vector<std::pair<std::uint32_t, Posting>>>& windows);
  void ScanGroup(const WindowGroup& group, std::string_view line);
  // Finds `key` (found at line position `at`) in the group, whose bloom
  // filter has already let it pass, and marks the entries whose literal
  // stands there in full.
  void LookUp(const WindowGroup& group, std::uint32_t key, std::string_view line, std::size_t at);
  void Mark(std::uint32_t entry);
  // Fills candidates_ for `line`, ascending. False when no entry can match.
  // Inlined, so that FindFirstMatch costs no call more per line for
  // sharing it.
  [[gnu::always_inline]] inline bool CollectCandidates(std::string_view line);
  // Matches the candidates and the always-tried entries against `line` in
  // table order and calls `found` with each entry that matches; returns the
  // first entry for which it returns true, or -1.
  template <typename Found>
  [[gnu::always_inline]] inline int TryCandidates(std::string_view line, Found found);

  std::vector<std::string> patterns_;
  TextCode code_;
  std::vector<CompiledPattern> compiled_;
  std::string literals_;
  std::vector<WindowGroup> groups_;  // after building, those with windows only
  std::vector<int> always_;          // entries tried on every line, ascending
  // Per-line scratch: entries whose literal was found, and the line number
  // at which each entry was last marked, so a repeated hit adds it once.
  std::vector<int> candidates_;
  std::vector<std::uint32_t> marked_at_;
  std::uint32_t line_number_ = 0;
  // Filled while building, emptied by BuildGroups.
  std::vector<std::vector<std::pair<std::uint32_t, Posting>>> pending_;
};

}  // namespace quillet
