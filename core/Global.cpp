#include "core/Global.h"

namespace quillet {

Globals& TheGlobals() {
  static Globals globals;
  return globals;
}

std::string BuildFileFilter(const ProcessingOptions& options) {
  const std::string* rows[][2] = {{&options.F1, &options.S1},
                                  {&options.F2, &options.S2},
                                  {&options.F3, &options.S3},
                                  {&options.F4, &options.S4},
                                  {&options.F5, &options.S5}};
  std::string filter;
  for (const auto& row : rows) {
    const std::string& pattern = *row[0];
    const std::string& description = *row[1];
    if (pattern.empty()) continue;
    filter += description + "(" + pattern + ")|" + pattern + "|";
  }
  if (!filter.empty()) filter.pop_back();
  return filter;
}

}  // namespace quillet
