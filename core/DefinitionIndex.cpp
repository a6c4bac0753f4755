#include "core/DefinitionIndex.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/StrUnit.h"
#include "text/ByteState.h"

namespace quillet {

namespace {

// Bytes per window: one unaligned 32-bit load.
constexpr std::size_t kWindowBytes = 4;
// Sampling strides. A literal of L bytes holds L - 3 windows; when it holds
// at least `stride` consecutive ones, every occurrence of it in a line puts
// exactly one of them at a line position divisible by the stride, so only
// those positions need a look-up.
constexpr std::size_t kStrides[] = {1, 2, 4, 8, 16};
constexpr std::size_t kStrideGroups = sizeof kStrides / sizeof kStrides[0];
// The last group holds prefixes, looked up at fixed line positions: the
// multiples of four below kPrefixReach.
constexpr std::size_t kPrefixGroup = kStrideGroups;
constexpr std::size_t kGroupCount = kStrideGroups + 1;
constexpr std::size_t kPrefixReach = 32;
// A prefix is used when it is at least this long, or the longest literal.
constexpr std::size_t kLongPrefix = 8;
constexpr std::uint32_t kHashFactor = 0x9E3779B1u;
// At most this much of a literal is indexed. A line holding the literal holds
// every piece of it, and MatchPattern has the last word, so a piece serves as
// well; it keeps a definition line of many megabytes from costing time and
// memory in proportion to its length every time an index is built.
constexpr std::size_t kMaxKeyBytes = 256;

std::uint32_t LoadWindow(const char* at) {
  std::uint32_t window;
  std::memcpy(&window, at, sizeof window);
  return window;
}

std::uint32_t Hash(std::uint32_t window) { return window * kHashFactor; }

// The key of a prefix window: the window mixed with its line position, so
// that one table serves every position.
std::uint32_t PrefixKey(std::uint32_t window, std::size_t at) {
  return window ^ static_cast<std::uint32_t>(at * 0x01000193u);
}

// How unlikely a byte is in log text, to pick the windows that cause the
// fewest false hits: blanks, small letters and digits fill most lines.
int Rarity(unsigned char byte) {
  if (byte == ' ' || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) return 1;
  if (byte >= 0x80) return 2;
  return 3;
}

// The largest stride that a literal of `size` bytes supports, as an index
// into kStrides; any smaller one works too.
std::size_t GroupFor(std::size_t size) {
  std::size_t group = 0;
  while (group + 1 < kStrideGroups && size >= kWindowBytes + kStrides[group + 1] - 1) ++group;
  return group;
}

int Log2Ceil(std::size_t value) {
  int bits = 0;
  while ((std::size_t{1} << bits) < value) ++bits;
  return bits;
}

}  // namespace

// A count per distinct window in an open-addressing table at most half
// full: building the index looks up every window of every literal, and for
// 2000 definitions a sorted list with a binary search per look-up (and its
// sort) took more time than scanning a megabyte of log.
class DefinitionIndex::WindowCounts {
 public:
  explicit WindowCounts(std::size_t windows)
      : bits_(std::clamp(Log2Ceil(windows * 2), 1, 31)),
        slots_(std::size_t{1} << bits_),
        mask_(slots_.size() - 1) {}

  void Add(std::uint32_t window) {
    Slot& slot = slots_[Find(window)];
    slot.window = window;
    ++slot.count;
  }

  std::uint32_t SharedBy(std::uint32_t window) const { return slots_[Find(window)].count; }

 private:
  struct Slot {
    std::uint32_t window = 0;
    std::uint32_t count = 0;  // 0: empty
  };
  // The window's slot, or the empty one where it would go.
  std::size_t Find(std::uint32_t window) const {
    // The hash's high bits: its low ones depend on the window's first byte
    // only.
    std::size_t slot = Hash(window) >> (32 - bits_);
    while (slots_[slot].count != 0 && slots_[slot].window != window) slot = (slot + 1) & mask_;
    return slot;
  }

  int bits_;
  std::vector<Slot> slots_;
  std::size_t mask_;
};

int FindFirstMatchPlain(const std::vector<DefinitionEntry>& entries, std::string_view line,
                        TextCode code) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (MatchPattern(line, entries[i].Pattern, code) == 0) return static_cast<int>(i);
  }
  return -1;
}

DefinitionIndex::DefinitionIndex(const std::vector<DefinitionEntry>& entries, TextCode code)
    : code_(code), groups_(kGroupCount), pending_(kGroupCount) {
  patterns_.reserve(entries.size());
  compiled_.reserve(entries.size());
  // The literals come from the compiled forms, which read escapes and '?'
  // by the code; the scan for them is byte for byte in either code.
  for (const DefinitionEntry& entry : entries) {
    patterns_.push_back(entry.Pattern);
    compiled_.emplace_back(entry.Pattern, code);
  }
  // The keys point into compiled_, which no longer changes from here on.
  std::vector<std::string_view> keys(entries.size());
  std::vector<bool> use_prefix(entries.size(), false);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const PatternLiterals literals = compiled_[i].RequiredLiterals();
    std::string_view longest;
    for (const std::string_view run : literals.runs) {
      if (run.size() > longest.size()) longest = run;
    }
    if (longest.size() < kWindowBytes ||
        longest.size() > std::numeric_limits<std::uint32_t>::max()) {
      always_.push_back(static_cast<int>(i));
    } else {
      use_prefix[i] =
          literals.prefix.size() >= kWindowBytes &&
          (literals.prefix.size() >= kLongPrefix || literals.prefix.size() >= longest.size());
      keys[i] = (use_prefix[i] ? literals.prefix : longest).substr(0, kMaxKeyBytes);
    }
  }
  // How many literals hold each window: a window that many definitions
  // share (" com.example.") would make every hit confirm them all.
  std::size_t window_count = 0;
  for (const std::string_view key : keys) {
    if (key.size() >= kWindowBytes) window_count += key.size() - kWindowBytes + 1;
  }
  WindowCounts sharing(window_count);
  for (const std::string_view key : keys) {
    for (std::size_t at = 0; at + kWindowBytes <= key.size(); ++at)
      sharing.Add(LoadWindow(key.data() + at));
  }
  // All literals go into the group of the shortest: a line is then scanned
  // once, at that stride, rather than once more for every longer stride.
  std::size_t group = kStrideGroups - 1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!keys[i].empty() && !use_prefix[i]) group = std::min(group, GroupFor(keys[i].size()));
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (keys[i].empty()) continue;
    if (use_prefix[i]) {
      AddPrefix(static_cast<std::uint32_t>(i), keys[i], sharing);
    } else {
      AddLiteral(static_cast<std::uint32_t>(i), keys[i], group, sharing);
    }
  }
  BuildGroups(pending_);
  // Only groups that hold windows are scanned: the per-line loop then
  // tests nothing for the others.
  groups_.erase(std::remove_if(groups_.begin(), groups_.end(),
                               [](const WindowGroup& g) { return g.postings.empty(); }),
                groups_.end());
  pending_.clear();
  pending_.shrink_to_fit();
  candidates_.reserve(entries.size());
  marked_at_.assign(entries.size(), 0);
}

DefinitionIndex::Posting DefinitionIndex::MakePosting(std::uint32_t entry,
                                                      std::size_t window_offset,
                                                      std::uint32_t literal_offset,
                                                      std::string_view literal) {
  return Posting{entry,
                 static_cast<std::uint32_t>(window_offset),
                 literal_offset,
                 static_cast<std::uint32_t>(literal.size()),
                 LoadWindow(literal.data()),
                 LoadWindow(literal.data() + literal.size() - kWindowBytes)};
}

void DefinitionIndex::AddLiteral(std::uint32_t entry, std::string_view literal, std::size_t group,
                                 const WindowCounts& sharing) {
  const std::size_t stride = kStrides[group];
  // Of the possible runs of `stride` consecutive windows, take the one whose
  // windows the fewest other literals share, then the one over the rarest
  // bytes.
  std::vector<std::uint64_t> shared(literal.size() - kWindowBytes + 1);
  for (std::size_t at = 0; at < shared.size(); ++at)
    shared[at] = sharing.SharedBy(LoadWindow(literal.data() + at));
  std::size_t best_start = 0;
  std::uint64_t best_shared = std::numeric_limits<std::uint64_t>::max();
  int best_rarity = -1;
  for (std::size_t start = 0; start + stride <= shared.size(); ++start) {
    std::uint64_t total_shared = 0;
    int rarity = 0;
    for (std::size_t k = start; k < start + stride; ++k) total_shared += shared[k];
    for (std::size_t k = start; k < start + stride + kWindowBytes - 1; ++k)
      rarity += Rarity(static_cast<unsigned char>(literal[k]));
    if (total_shared < best_shared || (total_shared == best_shared && rarity > best_rarity)) {
      best_shared = total_shared;
      best_rarity = rarity;
      best_start = start;
    }
  }
  const auto literal_offset = static_cast<std::uint32_t>(literals_.size());
  literals_.append(literal);
  for (std::size_t k = 0; k < stride; ++k) {
    const std::size_t at = best_start + k;
    pending_[group].push_back(
        {LoadWindow(literal.data() + at), MakePosting(entry, at, literal_offset, literal)});
  }
}

void DefinitionIndex::AddPrefix(std::uint32_t entry, std::string_view prefix,
                                const WindowCounts& sharing) {
  // One window, at a multiple of four, the one the fewest literals share.
  std::size_t best_at = 0;
  std::uint32_t best_shared = std::numeric_limits<std::uint32_t>::max();
  for (std::size_t at = 0; at < kPrefixReach && at + kWindowBytes <= prefix.size();
       at += kWindowBytes) {
    const std::uint32_t shared = sharing.SharedBy(LoadWindow(prefix.data() + at));
    if (shared < best_shared) {
      best_shared = shared;
      best_at = at;
    }
  }
  const auto literal_offset = static_cast<std::uint32_t>(literals_.size());
  literals_.append(prefix);
  pending_[kPrefixGroup].push_back({PrefixKey(LoadWindow(prefix.data() + best_at), best_at),
                                    MakePosting(entry, best_at, literal_offset, prefix)});
  auto& offsets = groups_[kPrefixGroup].offsets;
  if (std::find(offsets.begin(), offsets.end(), best_at) == offsets.end()) {
    offsets.insert(std::upper_bound(offsets.begin(), offsets.end(), best_at), best_at);
  }
}

void DefinitionIndex::BuildGroups(
    std::vector<std::vector<std::pair<std::uint32_t, Posting>>>& windows) {
  for (std::size_t g = 0; g < kGroupCount; ++g) {
    WindowGroup& group = groups_[g];
    if (g < kStrideGroups) group.stride = kStrides[g];
    auto& list = windows[g];
    if (list.empty()) continue;
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < list.size(); ++i)
      if (i == 0 || list[i].first != list[i - 1].first) ++distinct;

    // About 1 in 64 bits set keeps false hits rare: a false hit costs a
    // probe of the slot table, which for 2000 definitions no longer sits in
    // the first-level cache, while the filter still does. The slot table is
    // half full at most, so probes stay short.
    const int bloom_bits = std::clamp(Log2Ceil(distinct * 64), 12, 22);
    const int slot_bits = std::max(Log2Ceil(distinct * 2), 1);
    group.shift = 32 - bloom_bits;
    group.slot_shift = 32 - slot_bits;
    group.bloom.assign((std::size_t{1} << bloom_bits) / 64, 0);
    group.slots.assign(std::size_t{1} << slot_bits, WindowGroup::Slot{});
    const std::size_t slot_mask = group.slots.size() - 1;
    for (std::size_t i = 0; i < list.size();) {
      std::size_t j = i;
      while (j < list.size() && list[j].first == list[i].first) ++j;
      const std::uint32_t window = list[i].first;
      const auto begin = static_cast<std::uint32_t>(group.postings.size());
      for (std::size_t k = i; k < j; ++k) group.postings.push_back(list[k].second);
      const std::uint32_t hash = Hash(window);
      const std::uint32_t bit = hash >> group.shift;
      group.bloom[bit / 64] |= std::uint64_t{1} << (bit % 64);
      std::size_t slot = (hash >> (32 - slot_bits)) & slot_mask;
      while (group.slots[slot].begin != group.slots[slot].end) slot = (slot + 1) & slot_mask;
      group.slots[slot] = {window, begin, static_cast<std::uint32_t>(group.postings.size())};
      i = j;
    }
  }
}

void DefinitionIndex::Mark(std::uint32_t entry) {
  if (marked_at_[entry] == line_number_) return;
  marked_at_[entry] = line_number_;
  candidates_.push_back(static_cast<int>(entry));
}

void DefinitionIndex::LookUp(const WindowGroup& group, std::uint32_t key, std::string_view line,
                             std::size_t at) {
  const std::uint32_t hash = Hash(key);
  const std::size_t slot_mask = group.slots.size() - 1;
  for (std::size_t slot = (hash >> group.slot_shift) & slot_mask;; slot = (slot + 1) & slot_mask) {
    const WindowGroup::Slot& s = group.slots[slot];
    if (s.begin == s.end) return;
    if (s.window != key) continue;
    for (std::uint32_t p = s.begin; p < s.end; ++p) {
      const Posting& posting = group.postings[p];
      if (at < posting.window_offset) continue;
      const std::size_t start = at - posting.window_offset;
      if (line.size() - start < posting.literal_size) continue;
      // Windows are shared by literals that differ elsewhere: the literal's
      // first and last four bytes, kept in the posting, turn most of them
      // away before the whole literal is compared.
      const char* const found = line.data() + start;
      if (LoadWindow(found) != posting.head ||
          LoadWindow(found + posting.literal_size - kWindowBytes) != posting.tail)
        continue;
      if (std::memcmp(found, literals_.data() + posting.literal_offset, posting.literal_size) == 0)
        Mark(posting.entry);
    }
    return;
  }
}

void DefinitionIndex::ScanGroup(const WindowGroup& group, std::string_view line) {
  const char* const data = line.data();
  const std::size_t size = line.size();
  // The bloom filter turns most positions away; it is tested here, inline,
  // and LookUp runs only for the positions that pass.
  const int shift = group.shift;
  const std::uint64_t* const bloom = group.bloom.data();
  if (!group.offsets.empty()) {
    for (const std::size_t at : group.offsets) {
      if (at + kWindowBytes > size) break;
      const std::uint32_t key = PrefixKey(LoadWindow(data + at), at);
      const std::uint32_t bit = Hash(key) >> shift;
      if ((bloom[bit / 64] >> (bit % 64) & 1) != 0) LookUp(group, key, line, at);
    }
    return;
  }
  const std::size_t stride = group.stride;
  for (std::size_t at = 0; at + kWindowBytes <= size; at += stride) {
    const std::uint32_t window = LoadWindow(data + at);
    const std::uint32_t bit = Hash(window) >> shift;
    if ((bloom[bit / 64] >> (bit % 64) & 1) != 0) LookUp(group, window, line, at);
  }
}

inline bool DefinitionIndex::CollectCandidates(std::string_view line) {
  if (++line_number_ == 0) {
    // The line counter wrapped: forget every mark so none looks current.
    std::fill(marked_at_.begin(), marked_at_.end(), 0);
    line_number_ = 1;
  }
  candidates_.clear();
  for (const WindowGroup& group : groups_) ScanGroup(group, line);
  if (candidates_.empty() && always_.empty()) return false;
  std::sort(candidates_.begin(), candidates_.end());
  return true;
}

template <typename Found>
inline int DefinitionIndex::TryCandidates(std::string_view line, Found found_entry) {
  // Both lists ascend: try them merged, in table order. Matching sees the
  // line up to its first zero byte only.
  const std::string_view text = line.substr(0, line.find('\0'));
  auto found = candidates_.begin();
  auto always = always_.begin();
  while (found != candidates_.end() || always != always_.end()) {
    int entry;
    if (always == always_.end() || (found != candidates_.end() && *found < *always)) {
      entry = *found++;
    } else {
      entry = *always++;
    }
    if (compiled_[static_cast<std::size_t>(entry)].Matches(text) && found_entry(entry))
      return entry;
  }
  return -1;
}

int DefinitionIndex::FindFirstMatch(std::string_view line) {
  if (!CollectCandidates(line)) return -1;
  return TryCandidates(line, [](int) { return true; });
}

void DefinitionIndex::FindEveryMatch(std::string_view line, std::vector<int>& matches) {
  matches.clear();
  if (!CollectCandidates(line)) return;
  TryCandidates(line, [&matches](int entry) {
    matches.push_back(entry);
    return false;
  });
}

bool DefinitionIndex::BuiltFrom(const std::vector<DefinitionEntry>& entries, TextCode code) const {
  return code == code_ &&
         std::equal(patterns_.begin(), patterns_.end(), entries.begin(), entries.end(),
                    [](const std::string& kept, const DefinitionEntry& entry) {
                      return kept == entry.Pattern;
                    });
}

}  // namespace quillet
