// A preview runs every check and decision of a real run and writes
// nothing: the tree stays exactly as it was, and its status log is the one
// the real run then gives, apart from the banner.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "core/Texts.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ScratchDir;
using testing::SetLocalTimeOfDay;
using testing::WriteFile;

struct OptionCase {
  const char* name;
  bool Back;
  bool Inc;
  bool Time;
  bool TimeZ;
  bool Trim;
  int SpLine;
  bool Skip;
  bool SkipDisp;
};

void PrintTo(const OptionCase& c, std::ostream* out) { *out << c.name; }

// What a run could change of a tree: every name, its kind, content,
// permission bits, inode, link count, last-write time and extended
// attributes (the access time is left out: reading sets it).
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  const auto add = [&](const std::filesystem::path& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    std::string facts = std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " " +
                        std::to_string(st.st_nlink) + " " + std::to_string(st.st_mtim.tv_sec) +
                        "." + std::to_string(st.st_mtim.tv_nsec);
    char names[1024];
    const ssize_t size = llistxattr(path.c_str(), names, sizeof names);
    if (size > 0) facts += " xattr:" + std::string(names, static_cast<std::size_t>(size));
    if (S_ISREG(st.st_mode)) facts += " " + testing::ReadFile(path.string());
    entries[path.lexically_relative(root).string()] = facts;
  };
  add(root);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) add(entry.path());
  return entries;
}

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
    SetLocalTimeOfDay(root.Native("night.log"), 0, 0, 0);
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
    o.Back = c.Back;
    o.Inc = c.Inc;
    o.Time = c.Time;
    o.TimeZ = c.TimeZ;
    o.Trim = c.Trim;
    o.SpLine = c.SpLine;
    o.Skip = c.Skip;
    o.SkipDisp = c.SkipDisp;
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

TEST_P(Preview, LeavesEveryFileStampAndFolderAsItWas) {
  const auto before = Snapshot(root.native());
  const auto program_before = Snapshot(prog.native());
  testing::StatusRecorder status;
  Run(RunMode::kPreview, status);
  EXPECT_EQ(Snapshot(root.native()), before);
  EXPECT_EQ(Snapshot(prog.native()), program_before);
}

TEST_P(Preview, ShowsTheStatusLogOfTheRealRunApartFromTheBanner) {
  const auto before = Snapshot(root.native());
  testing::StatusRecorder preview;
  const RunSummary previewed = Run(RunMode::kPreview, preview);
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
  EXPECT_NE(Snapshot(root.native()), before);
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
