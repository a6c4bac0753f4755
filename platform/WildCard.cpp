#include "platform/WildCard.h"

#include <vector>

#include "text/AsciiCase.h"
#include "text/ByteState.h"

namespace quillet::platform {

namespace {

// A text cut into characters: one byte, or a lead byte with its second byte.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t width = CharLengthAt(text, i);
    chars.push_back(text.substr(i, width));
    i += width;
  }
  return chars;
}

bool IsChar(std::string_view c, char value) { return c.size() == 1 && c[0] == value; }

// '*' and '?' over characters, with backtracking to the last '*' only:
// a later '*' can always absorb what an earlier one would have taken.
bool Glob(const std::vector<std::string_view>& pattern, const std::vector<std::string_view>& name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = pattern.size();  // none yet
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && IsChar(pattern[p], '*')) {
      star = p++;
      star_name = n;
    } else if (p < pattern.size() &&
               (IsChar(pattern[p], '?') || EqualIgnoringAsciiCase(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (star != pattern.size()) {
      p = star + 1;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && IsChar(pattern[p], '*')) ++p;
  return p == pattern.size();
}

bool HasDot(const std::vector<std::string_view>& chars) {
  for (std::string_view c : chars)
    if (IsChar(c, '.')) return true;
  return false;
}

}  // namespace

bool MatchFileName(std::string_view pattern, std::string_view name) {
  const std::vector<std::string_view> p = Characters(pattern);
  const std::vector<std::string_view> n = Characters(name);
  if (Glob(p, n)) return true;
  if (HasDot(n)) return false;
  // A name without a dot counts as ending in an empty extension.
  std::size_t size = p.size();
  if (size >= 1 && IsChar(p[size - 1], '.')) {
    return Glob({p.begin(), p.end() - 1}, n);
  }
  if (size >= 2 && IsChar(p[size - 2], '.') && IsChar(p[size - 1], '*')) {
    return Glob({p.begin(), p.end() - 2}, n);
  }
  return false;
}

}  // namespace quillet::platform
