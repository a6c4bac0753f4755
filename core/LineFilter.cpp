#include "core/FileProcessorSteps.h"
#include "text/ByteText.h"

namespace quillet::file_processing {

namespace {

// No byte before the first NUL: the text that MatchPattern and the user's
// eye see as empty.
bool IsBlankLine(std::string_view cut) { return cut.empty() || cut.front() == '\0'; }

// The blank run that SpLine 0 sets on every blank line, so none is written.
constexpr std::int64_t kDropEveryBlank = 99999;

}  // namespace

std::string_view CutLine(std::string_view line) {
  if (line.empty() || line.back() != ' ') return line;
  return TrimTrailingBlanks(line);
}

bool LineFilter::Apply(std::string_view line, std::string_view& out) {
  return ApplyTelling<false>(line, out, nullptr);
}

bool LineFilter::Apply(std::string_view line, std::string_view& out, int& matched) {
  return ApplyTelling<true>(line, out, &matched);
}

template <bool kTellMatch>
bool LineFilter::ApplyTelling(std::string_view line, std::string_view& out, int* matched) {
  // The first matching definition decides; later ones are never tried.
  const int found = index_.FindFirstMatch(line);
  if constexpr (kTellMatch) *matched = found;
  const DefinitionEntry* match =
      found < 0 ? nullptr : &definitions_.Entries[static_cast<std::size_t>(found)];
  if (match != nullptr && match->Tail.empty()) return false;

  // The blank run always looks at the cut line of the log, never at a
  // replacement text, and whatever Trim says. Any negative SpLine keeps
  // every blank line and any positive one the first of each run, so a
  // hand-edited value beyond -1 and 1 acts like its sign.
  const std::string_view cut = CutLine(line);
  if (options_.SpLine < 0 || !IsBlankLine(cut)) {
    blank_run_ = 0;
  } else if (options_.SpLine == 0) {
    blank_run_ = kDropEveryBlank;
  } else {
    ++blank_run_;
  }
  if (blank_run_ > 1) return false;

  if (match != nullptr) {
    // A replacement text loses its surrounding blanks only with Trim off:
    // with Trim on it is written exactly as the definition stores it.
    out = options_.Trim ? std::string_view(match->Tail) : TrimBlanks(match->Tail);
  } else {
    out = options_.Trim ? cut : line;
  }
  return true;
}

}  // namespace quillet::file_processing
