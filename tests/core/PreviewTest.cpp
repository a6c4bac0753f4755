// A preview runs every check and decision of a real run and writes
// nothing: the tree stays exactly as it was, and its status log is the one
// the real run then gives, apart from the banner.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "core/Engine.h"
#include "core/Texts.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ScratchDir;
using testing::TreeSnapshot;
using testing::WriteFile;

struct OptionCase {
  const char* name;
  bool Back, Inc, Time, TimeZ, Trim;
  int SpLine;
  bool Skip, SkipDisp;
};

void PrintTo(const OptionCase& c, std::ostream* out) { *out << c.name; }

class Preview : public ::testing::TestWithParam<OptionCase> {
 protected:
  Preview() {
    WriteFile(prog.Native("Quillet.def"), "; program folder\n*DEBUG*\n*pass=*\\rpass=***\n");
    // LF, CR LF and a lone CR, trailing blanks, blank runs, a replacement,
    // a last line without a line end.
    WriteFile(root.Native("a.log"),
              "DEBUG x\nkeep  \n\n\n\nuser pass=1\r\nold mac\rtail DEBUG\r\n\r\n\r\nend");
    WriteFile(root.Native("b.log"), "nothing to do\n");
    WriteFile(root.Native("a.inc"), "earlier\n");
    WriteFile(root.Native("a.qu$"), "a backup of an earlier run\n");
    WriteFile(root.Native("empty.log"), "");
    WriteFile(root.Native("bin.log"), std::string("x\0y\n", 4));
    WriteFile(root.Native("cut.log"), "DEBUG\n\x1A hidden\n");
    WriteFile(root.Native("night.log"), "DEBUG\n");
    testing::SetLocalTimeOfDay(root.Native("night.log"), 0, 0, 0);
    WriteFile(root.Native("ro.log"), "DEBUG\n");
    chmod(root.Native("ro.log").c_str(), 0444);
    // A log file with a second name is refused, not read through one of them.
    WriteFile(root.Native("linked.log"), "DEBUG\n");
    EXPECT_EQ(link(root.Native("linked.log").c_str(), root.Native("linked.txt").c_str()), 0);
    WriteFile(root.Native("sub/Quillet.def"), "\n*INFO*\n*INFO 7*\n");
    WriteFile(root.Native("sub/c.log"), "INFO 7\nINFO 8\nDEBUG\n");
    WriteFile(root.Native("sub/deeper/d.log"), "DEBUG\n\n\n");
    const OptionCase& c = GetParam();
    ProcessingOptions& o = g.options;
    std::tie(o.Back, o.Inc, o.Time, o.TimeZ, o.Trim, o.SpLine, o.Skip, o.SkipDisp) =
        std::tie(c.Back, c.Inc, c.Time, c.TimeZ, c.Trim, c.SpLine, c.Skip, c.SkipDisp);
  }

  RunSummary Run(RunMode mode, testing::StatusRecorder& status) {
    Engine engine{g, platform::PosixFileSystem(), status, prog.windows() + "\\"};
    engine.mode = mode;
    return ProcessRequest(engine,
                          {.folder = root.windows(), .pattern = "*.log", .with_subfolders = true});
  }

  ScratchDir root;
  ScratchDir prog;
  Globals g;
};

TEST_P(Preview, WritesNothingAndShowsTheStatusLogOfTheRealRun) {
  const auto before = TreeSnapshot(root.native());
  const auto program_before = TreeSnapshot(prog.native());
  testing::StatusRecorder preview;
  const RunSummary previewed = Run(RunMode::kPreview, preview);
  EXPECT_EQ(TreeSnapshot(root.native()), before);
  EXPECT_EQ(TreeSnapshot(prog.native()), program_before);

  testing::StatusRecorder real;
  const RunSummary done = Run(RunMode::kRewrite, real);
  ASSERT_FALSE(preview.log.empty());
  ASSERT_FALSE(real.log.empty());
  EXPECT_EQ(preview.log[0],
            g.options.Inc ? texts::kBannerPreviewIncrement : texts::kBannerPreviewNormal);
  EXPECT_EQ(real.log[0], g.options.Inc ? texts::kBannerIncrement : texts::kBannerNormal);
  EXPECT_EQ(std::vector(preview.log.begin() + 1, preview.log.end()),
            std::vector(real.log.begin() + 1, real.log.end()));
  EXPECT_EQ(previewed.code, done.code);
  EXPECT_EQ(previewed.ErrorCount, done.ErrorCount);
  EXPECT_EQ(previewed.SkipCount, done.SkipCount);
  // The real run did change the tree: the preview was shown real work.
  EXPECT_NE(TreeSnapshot(root.native()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Options, Preview,
    ::testing::Values(
        OptionCase{"Defaults", false, false, true, true, true, 1, true, false},
        OptionCase{"Back", true, false, true, true, true, 1, true, true},
        OptionCase{"Inc", false, true, true, true, true, 1, true, false},
        OptionCase{"IncBack", true, true, false, true, true, 1, false, false},
        OptionCase{"NoTimeNoTrimKeepBlanks", false, false, false, false, false, -1, false, false},
        OptionCase{"DropBlanksTimeOnly", false, false, true, false, true, 0, true, true}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
