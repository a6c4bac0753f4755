// MatchPattern against the reference matcher. The input is a two-byte
// pattern length (little-endian, cut to what follows), the pattern, and the
// line; any byte may stand in either text, so long literal runs, escapes at
// the end, double-byte characters and zero bytes all come up.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/StrUnit.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::size_t pattern_size = std::min<std::size_t>(data[0] | data[1] << 8, rest.size());
  const std::string_view pattern = rest.substr(0, pattern_size);
  const std::string_view line = rest.substr(pattern_size);

  const int result = quillet::MatchPattern(line, pattern);
  quillet::fuzzing::Check(result == 0 || result == 1, "MatchPattern gives neither 0 nor 1");
  // An empty pattern (one that starts with a zero byte) has a fixed answer
  // only for a line that is not empty.
  const bool pattern_empty = pattern.empty() || pattern.front() == '\0';
  const bool line_empty = line.empty() || line.front() == '\0';
  if (pattern_empty && line_empty) return 0;
  quillet::fuzzing::Check((result == 0) == quillet::fuzzing::ReferenceMatch(line, pattern),
                          "MatchPattern and the reference matcher disagree");
  return 0;
}
