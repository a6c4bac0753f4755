// Definition hit counts of a run: lines won (first match), lines matched,
// and which earlier definition shadows one that never wins.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DefinitionStats.h"
#include "core/Engine.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

struct StatsCase {
  const char* definitions;  // Quillet.def
  std::vector<const char*> logs;
  // Per definition "line:won/matched/shadowing line" (0: not shadowed).
  const char* hits;
};

class DefinitionHitCounts : public ::testing::TestWithParam<StatsCase> {};

TEST_P(DefinitionHitCounts, CountsWinsAndShadowingForTheLinesSeen) {
  const StatsCase& c = GetParam();
  testing::ScratchDir root;
  testing::WriteFile(root.Native("Quillet.def"), c.definitions);
  for (std::size_t i = 0; i < c.logs.size(); ++i)
    testing::WriteFile(root.Native("f" + std::to_string(i) + ".log"), c.logs[i]);
  Globals g;
  g.options.Skip = false;
  testing::StatusRecorder status;
  DefinitionStats stats;
  Engine engine{g, platform::PosixFileSystem(), status, root.windows() + "\\"};
  engine.mode = RunMode::kPreview;
  engine.match_watcher = &stats;
  ProcessRequest(engine, {.folder = root.windows(), .pattern = "*.log"});

  ASSERT_EQ(stats.files().size(), 1u);
  const DefinitionFileHits& file = stats.files()[0];
  EXPECT_EQ(file.path, root.windows() + "\\Quillet.def");
  std::string hits;
  for (const DefinitionHits& h : file.definitions) {
    hits += (hits.empty() ? "" : " ") + std::to_string(h.source_line) + ":" +
            std::to_string(h.won) + "/" + std::to_string(h.matched) + "/" +
            std::to_string(ShadowingOf(file, h).source_line);
  }
  EXPECT_EQ(hits, c.hits);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefinitionHitCounts,
    ::testing::Values(
        // Comments and blank lines count in the line numbers.
        StatsCase{"; note\r\n\r\n*A*\r\n  \r\n*B*\\rb\r\n", {"A\nB\nA B\nC\n"}, "3:2/2/0 5:1/2/0"},
        // Matched only where an earlier definition wins: shadowed.
        StatsCase{"*ERR*\n*ERR 42*\n*never*\n", {"ERR 42\nERR 1\n"}, "1:2/2/0 2:0/1/1 3:0/0/0"},
        // Losing some lines but winning one is no shadowing.
        StatsCase{"*x*\n*ab*\n", {"ab x\nab\n"}, "1:1/1/0 2:1/2/0"},
        // Several took its lines: the one that took most; on a tie the earliest.
        StatsCase{"*x*\n*y*\n*ab*\n", {"ab x\nab y\nab y\n"}, "1:1/1/0 2:2/2/0 3:0/3/2"},
        StatsCase{"*x*\n*y*\n*ab*\n", {"ab y\nab x\n"}, "1:1/1/0 2:1/1/0 3:0/2/1"},
        // The counts of every file add up; a line that stays counts nowhere.
        StatsCase{"*A*\n*AB*\n", {"AB\nA\n", "AB\nkeep\n"}, "1:3/3/0 2:0/2/1"}));

}  // namespace
}  // namespace quillet
