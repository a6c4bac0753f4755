#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/FolderRun.h"
#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::LoadLine;
using testing::ReadFile;
using testing::ScratchDir;
using testing::SetLocalTimeOfDay;
using testing::Sjis;
using testing::WriteFile;
using Lines = std::vector<std::string>;

const std::string kLog = "DEBUG\r\nkeep\r\n";
const std::string kLogDone = "a.log\t(13 to 6 bytes / 46%)";
const std::string kDone = "keep\r\n";

// The status log cut into one block per visited folder, in visiting order:
// the folder as its header shows it, and the lines after the header.
std::vector<std::pair<std::string, Lines>> Blocks(const Lines& log) {
  std::vector<std::pair<std::string, Lines>> blocks;
  for (const std::string& line : log) {
    if (line.rfind("----- ", 0) == 0 && line.size() > 12) {
      // The empty line before a header belongs to it, not to the last folder.
      if (!blocks.empty() && !blocks.back().second.empty()) blocks.back().second.pop_back();
      blocks.push_back({line.substr(6, line.size() - 12), {}});
    } else if (!blocks.empty()) {
      blocks.back().second.push_back(line);
    }
  }
  return blocks;
}

// A file layer that acts once, right after the folder's files have been
// listed for processing (its second listing of files), or after its first
// listing of subfolders.
class ActingFileSystem : public testing::FaultyFileSystem {
 public:
  std::function<void()> after_listing;
  platform::ListKind act_after = platform::ListKind::kFiles;
  platform::Status List(std::string_view pattern, platform::ListKind kind,
                        std::vector<platform::DirEntry>& entries) override {
    const platform::Status ok = FaultyFileSystem::List(pattern, kind, entries);
    const int wanted = act_after == platform::ListKind::kFiles ? 2 : 1;
    if (kind == act_after && ++listings_ == wanted && after_listing) after_listing();
    return ok;
  }

 private:
  int listings_ = 0;
};

class FolderRun : public ::testing::Test {
 protected:
  FolderRun() : engine{g, fs, rec, prog.windows() + "\\"} {
    g.options.Skip = false;
    g.definitions.LoadedFrom = kLoadedFromDummy;
    WriteFile(prog.Native("Quillet.def"), "; program folder\r\n*DEBUG*\r\n");
  }

  int Run(std::string_view pattern = "*.log", bool subfolders = true) {
    return ProcessFolder(engine, root.windows(), pattern, subfolders).code;
  }
  std::string Folder(std::string_view relative = "") const {
    return relative.empty() ? root.windows() + "\\" : root.Windows(relative) + "\\";
  }

  ScratchDir root;
  ScratchDir prog;
  Globals g;
  testing::StatusRecorder rec;
  ActingFileSystem fs;
  Engine engine;
};

TEST_F(FolderRun, VisitsSubfoldersDepthFirstWithTheirOwnDefinitionFiles) {
  WriteFile(root.Native("top.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("top.txt"), "DEBUG\r\n");
  WriteFile(root.Native(".hidden.log"), "DEBUG\r\n");
  WriteFile(root.Native("own/Quillet.def"), "*INFO*\r\n*TRACE*\r\n");
  WriteFile(root.Native("own/b.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("own/deeper/c.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native(".hid/d.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("empty/x.txt"), "");

  ASSERT_EQ(Run(), 0);

  // The program folder's file is loaded again after "own" used its own;
  // ".hid" always finds it loaded, whichever order the listing gives.
  auto found = [](const char* report) { return Lines{"1 File(s) Found.", "", report}; };
  auto loaded = [](int count, Lines lines) {
    lines.insert(lines.begin(), LoadLine(count));
    return lines;
  };
  const std::map<std::string, Lines> expected = {
      {Folder(), loaded(1, found("top.log\t(13 to 6 bytes / 46%)"))},
      {Folder("own"), loaded(2, found("b.log\t(13 to 7 bytes / 53%)"))},
      {Folder("own/deeper"), loaded(1, found("c.log\t(13 to 6 bytes / 46%)"))},
      {Folder(".hid"), found("d.log\t(13 to 6 bytes / 46%)")},
      {Folder("empty"), {"0 File(s) Found.", ""}}};
  ASSERT_GE(rec.log.size(), 2u);
  EXPECT_EQ(rec.log[0], "");
  EXPECT_EQ(rec.log[1], "----- " + Folder() + " -----");
  const auto blocks = Blocks(rec.log);
  const std::map<std::string, Lines> by_folder(blocks.begin(), blocks.end());
  EXPECT_EQ(by_folder, expected);
  ASSERT_EQ(blocks.size(), expected.size());
  EXPECT_EQ(blocks[0].first, Folder());
  // A folder's files come first, and a subfolder is finished before the next.
  auto own = std::find_if(blocks.begin(), blocks.end(),
                          [&](const auto& block) { return block.first == Folder("own"); });
  ASSERT_TRUE(own != blocks.end() && own + 1 != blocks.end());
  EXPECT_EQ(own[1].first, Folder("own/deeper"));

  EXPECT_EQ(ReadFile(root.Native("top.txt")), "DEBUG\r\n");
  EXPECT_EQ(ReadFile(root.Native(".hidden.log")), "DEBUG\r\n");
  EXPECT_EQ(g.run.FoundCount, 4);
  EXPECT_EQ(g.run.ErrorCount + g.run.SkipCount, 0);
}

// One file in the folder: its report line, how it is counted, its text after.
struct OneFileCase {
  const char* name;
  std::string text;
  int hour = -1, minute = 0, second = 0;  // -1: stamped now, auto skip off
  bool read_only = false;
  bool skip_disp = false;
  bool time_query_fails = false;  // the folder run's own stamp query
  std::string report;
  int skips = 0, errors = 0;
  std::string after = "";
};
void PrintTo(const OneFileCase& c, std::ostream* os) { *os << c.name; }

class FolderRunOneFile : public FolderRun, public ::testing::WithParamInterface<OneFileCase> {};

TEST_P(FolderRunOneFile, ReportsCountsAndRewritesAsExpected) {
  const OneFileCase& c = GetParam();
  WriteFile(root.Native("a.log"), c.text);
  g.options.Skip = c.hour >= 0;
  g.options.SkipDisp = c.skip_disp;
  if (c.hour >= 0) SetLocalTimeOfDay(root.Native("a.log"), c.hour, c.minute, c.second);
  if (c.read_only) {
    ASSERT_EQ(chmod(root.Native("a.log").c_str(), 0444), 0);
  }
  if (c.time_query_fails) fs.Add({testing::FsOp::kGetTime, "a.log", 1, EIO});
  ASSERT_EQ(Run("a.log", false), 0);
  EXPECT_EQ(rec.log.back(), c.report);
  EXPECT_EQ(g.run.SkipCount, c.skips);
  EXPECT_EQ(g.run.ErrorCount, c.errors);
  EXPECT_EQ(ReadFile(root.Native("a.log")), c.after);
}

// Stamps have a two-second resolution: 00:00:01 counts as midnight. A
// read-only file is refused before the auto skip looks at it. A midnight
// stamp seen only by file processing is reported but not counted.
const OneFileCase kOneFile[] = {
    {"ReadOnly", kLog, 0, 0, 0, true, true, false,
     "a.log\t" + Sjis(" -> ﾘｰﾄﾞｵﾝﾘｰﾌｧｲﾙ は処理できません."), 0, 1, kLog},
    {"MidnightShown", kLog, 0, 0, 0, false, true, false, "a.log\t(00:00 - Skip.)", 1, 0, kLog},
    {"MidnightQuiet", kLog, 0, 0, 1, false, false, false, "", 1, 0, kLog},
    {"TwoSecondsPast", kLog, 0, 0, 2, false, true, false, kLogDone, 0, 0, "keep\r\n"},
    {"Noon", kLog, 12, 0, 0, false, true, false, kLogDone, 0, 0, "keep\r\n"},
    {"MidnightOnlyInFile", kLog, 0, 0, 0, false, false, true, "a.log\t(00:00 - Skip.)", 0, 0, kLog},
    {"Empty", "", -1, 0, 0, false, false, false, "a.log\t" + Sjis("(ｽｷｯﾌﾟしました. ｻｲｽﾞ=0ﾊﾞｲﾄ)"),
     1},
    {"OnlyCtrlZ", "\x1A", -1, 0, 0, false, false, false, "a.log\t(0 to 0 bytes / 100%)"},
};

INSTANTIATE_TEST_SUITE_P(Files, FolderRunOneFile, ::testing::ValuesIn(kOneFile),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderRun, CancelFinishesTheCurrentFileThenStops) {
  // Whichever folder comes first, a file and a folder follow the cancelled file.
  const char* const names[] = {"a/one.log", "a/two.log", "b/three.log", "b/four.log"};
  for (const char* name : names) WriteFile(root.Native(name), kLog);
  rec.on_yield = [&] {
    const std::string& last = rec.log.back();
    if (last.size() > 7 && last.compare(last.size() - 7, 7, "  . . .") == 0) rec.cancel = true;
  };
  ASSERT_EQ(Run(), 0);
  // One file was processed to its end and reported; nothing followed it.
  ASSERT_EQ(Blocks(rec.log).size(), 2u);
  EXPECT_NE(rec.log.back().find("(13 to 6 bytes / 46%)"), std::string::npos);
  int untouched = 0;
  for (const char* name : names) untouched += ReadFile(root.Native(name)) == kLog;
  EXPECT_EQ(untouched, 3);
}

TEST_F(FolderRun, CancelDuringTheHeaderStopsBeforeAnything) {
  WriteFile(root.Native("a.log"), "DEBUG\r\n");
  rec.on_yield = [&] { rec.cancel = true; };
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(rec.log.size(), 2u);
  EXPECT_EQ(ReadFile(root.Native("a.log")), "DEBUG\r\n");
}

struct RunLevelCase {
  const char* name;
  const char* pattern;
  std::string definition;  // in the folder "sub"; "-": none anywhere
  int code;
};

class FolderRunStops : public FolderRun, public ::testing::WithParamInterface<RunLevelCase> {};

TEST_P(FolderRunStops, WithItsCodeAndLeavesLaterFoldersUntouched) {
  const RunLevelCase& c = GetParam();
  WriteFile(root.Native("sub/a.log"), "DEBUG\r\n");
  WriteFile(root.Native("sub/sub2/b.log"), "DEBUG\r\n");
  if (c.definition == "-") {
    ASSERT_EQ(unlink(prog.Native("Quillet.def").c_str()), 0);
  } else {
    WriteFile(root.Native("sub/Quillet.def"), c.definition);
  }

  const RunSummary summary = ProcessRequest(
      engine, {.folder = root.windows(), .pattern = c.pattern, .with_subfolders = true});
  EXPECT_EQ(summary.code, c.code);
  EXPECT_TRUE(summary.cancelled);
  EXPECT_TRUE(g.run.CancelRequested);
  EXPECT_EQ(ReadFile(root.Native("sub/a.log")), "DEBUG\r\n");
  EXPECT_EQ(ReadFile(root.Native("sub/sub2/b.log")), "DEBUG\r\n");
  const auto blocks = Blocks(rec.log);
  if (c.code == frAllFilesPattern) {
    // Refused after the first header, before anything is counted.
    EXPECT_EQ(blocks.size(), 1u);
    EXPECT_EQ(summary.FoundCount, 0);
    EXPECT_FALSE(summary.stopped_in_subfolder);
  } else {
    // A definition failure in a subfolder comes up unchanged and says so;
    // no folder after "sub" is visited.
    EXPECT_TRUE(summary.stopped_in_subfolder);
    EXPECT_EQ(blocks.back().first, Folder("sub"));
    EXPECT_EQ(blocks.front().second, (Lines{"0 File(s) Found.", ""}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    RunLevelCodes, FolderRunStops,
    ::testing::Values(RunLevelCase{"Star", "*", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"StarDot", "*.", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"StarDotStar", "*.*", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"FolderPartStarDotStar", "sub\\*.*", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"NoDefinitionFile", "*.log", "-", frNoDefinitionFile},
                      RunLevelCase{"OnlyComments", "*.log", ";x\r\n \t\r\n", frNoDefinitionLines}),
    [](const auto& info) { return std::string(info.param.name); });

// A blank extension would make "a" the temporary or increment file of
// "a.log", and an increment file with the temporary extension would be
// taken for a copy: refused before anything is counted or touched. The
// unrelated file "a" must survive, as must the log.
TEST_F(FolderRun, ClashingOrBlankExtensionsAreRefusedBeforeAnythingIsTouched) {
  struct Case {
    const char* back_ext;
    bool inc;
    const char* inc_ext;
    int code;
  };
  const Case cases[] = {{"", false, "inc", frBlankBackExt},
                        {" \t", true, "inc", frBlankBackExt},
                        {"qu$", true, "  ", frBlankIncExt},
                        {"qu$", true, "", frBlankIncExt},
                        {"qu$", true, "QU$", frTempIncExtConflict},
                        {"qu$", false, "QU$", 0},  // IncExt is unused without Inc
                        {"qu$", false, "", 0}};
  for (const Case& c : cases) {
    WriteFile(root.Native("a.log"), kLog);
    WriteFile(root.Native("a"), "unrelated\r\n");
    g.options.BackExt = c.back_ext;
    g.options.Inc = c.inc;
    g.options.IncExt = c.inc_ext;
    g.options.Back = true;
    rec.log.clear();
    g.run.FoundCount = 0;
    EXPECT_EQ(Run("*.log", false), c.code) << c.back_ext << "/" << c.inc_ext;
    EXPECT_EQ(ReadFile(root.Native("a")), "unrelated\r\n");
    EXPECT_EQ(ReadFile(root.Native("a.log")), c.code != 0 ? kLog : "keep\r\n");
    EXPECT_EQ(g.run.CancelRequested, c.code != 0);
    if (c.code != 0) {
      EXPECT_EQ(g.run.FoundCount, 0);
      EXPECT_EQ(rec.log.size(), 2u);  // the header only
    }
  }
}

// Folder runs over hostile trees on the real file layer: links, special
// files, odd names, and files that change between the listing and their
// processing. Every run ends, reports each file it took, leaves the folder
// "outside" (beside the tree) exactly as it was and loses no line.
struct Tree {
  const ScratchDir& root;
  const ScratchDir& outside;
  std::string Root(const std::string& rel) const { return root.Native(rel); }
  std::string Outside(const std::string& rel) const { return outside.Native(rel); }
};

struct HostileCase {
  const char* name;
  std::function<void(Tree&)> setup;
  std::function<void(Tree&)> after_listing;
  // Lines of the status log after the count line besides a.log's: name and code.
  std::vector<std::pair<std::string, int>> reports;
  // Texts afterwards, by path under the root; "" absent.
  std::map<std::string, std::string> texts;
  platform::ListKind act_after = platform::ListKind::kFiles;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileTree : public FolderRun, public ::testing::WithParamInterface<HostileCase> {
 protected:
  HostileTree() {
    WriteFile(root.Native("a.log"), kLog);
    WriteFile(outside.Native("victim.log"), kLog);
    WriteFile(outside.Native("sub/deep.log"), kLog);
  }

  ScratchDir outside;
  Tree tree{root, outside};
};

std::string Report(const std::string& name, int code) {
  return code == frDone ? name + "\t(13 to 6 bytes / 46%)"
                        : name + "\t" + std::string(texts::ReportText(code));
}

TEST_P(HostileTree, RunEndsReportsAndTouchesNothingOutside) {
  const HostileCase& c = GetParam();
  c.setup(tree);
  fs.act_after = c.act_after;
  fs.after_listing = [&] {
    if (c.after_listing) c.after_listing(tree);
  };
  const auto before = testing::TreeSnapshot(outside.native());

  ASSERT_EQ(Run(), 0);

  Lines reports = {Report("a.log", frDone)};
  for (const auto& [name, code] : c.reports) reports.push_back(Report(name, code));
  Lines shown;
  for (const std::string& line : rec.log)
    if (line.find('\t') != std::string::npos) shown.push_back(line);
  std::sort(reports.begin(), reports.end());
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, reports);
  EXPECT_EQ(testing::TreeSnapshot(outside.native()), before);
  EXPECT_EQ(ReadFile(root.Native("a.log")), kDone);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.native()))
    if (!entry.is_symlink() && entry.is_directory()) chmod(entry.path().c_str(), 0755);
  for (const auto& [rel, text] : c.texts) {
    if (text.empty()) {
      EXPECT_FALSE(testing::FileExists(root.Native(rel))) << rel;
    } else {
      EXPECT_EQ(ReadFile(root.Native(rel)), text) << rel;
    }
  }
}

void Link(const std::string& target, const std::string& path) {
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

const HostileCase kHostile[] = {
    // None of these is a log file to rewrite, nor a folder to enter.
    {"LinksLoopsAndSpecialFiles",
     [](Tree& t) {
       WriteFile(t.Root("real.txt"), kLog);
       Link(t.Outside("victim.log"), t.Root("out.log"));
       Link("real.txt", t.Root("in.log"));
       Link(t.Outside("sub"), t.Root("outdir"));
       Link("..", t.Root("up"));
       Link("loop.log", t.Root("loop.log"));
       Link("b.log", t.Root("c.log"));
       Link("c.log", t.Root("b.log"));
       Link(".", t.Root("self"));
       ASSERT_EQ(mkfifo(t.Root("fifo.log").c_str(), 0644), 0);
     },
     nullptr,
     {},
     {{"real.txt", kLog}}},
    // Names a shell would take apart are names like others. A character
    // without a Shift-JIS form is listed as '?' and the file refused with
    // 257 untouched, as is a real name that holds a '?'.
    {"OddNames",
     [](Tree& t) {
       for (const char* name :
            {"a\nb.log", "q'u\"ote.log", "$(touch pwned).log", "-rf.log", "\xFF\xFE.log",
             "\xF0\x9F\x8D\xA3.log" /* 🍣 */, "\xC3\xA9.log" /* é */, "a?.log"})
         WriteFile(t.Root(name), kLog);
     },
     nullptr,
     {{"a\nb.log", frDone},
      {"q'u\"ote.log", frDone},
      {"$(touch pwned).log", frDone},
      {"-rf.log", frDone},
      {"??.log", frOpenError},
      {"?.log", frOpenError},
      {"?.log", frOpenError},
      {"a?.log", frOpenError}},
     {{"a\nb.log", kDone},
      {"-rf.log", kDone},
      {"\xFF\xFE.log", kLog},
      {"\xF0\x9F\x8D\xA3.log", kLog},
      {"\xC3\xA9.log", kLog},
      {"a?.log", kLog}}},
    // A listed file that is gone, or replaced by a link to a file outside,
    // is refused; the rewrite must not follow the link.
    {"FilesChangeAfterTheListing",
     [](Tree& t) {
       WriteFile(t.Root("b.log"), kLog);
       WriteFile(t.Root("c.log"), kLog);
     },
     [](Tree& t) {
       ASSERT_EQ(unlink(t.Root("b.log").c_str()), 0);
       ASSERT_EQ(rename(t.Root("c.log").c_str(), t.Root("c.txt").c_str()), 0);
       Link(t.Outside("victim.log"), t.Root("c.log"));
     },
     {{"b.log", frOpenError}, {"c.log", frOpenError}},
     {{"b.log", ""}, {"b.qu$", ""}, {"c.txt", kLog}, {"c.qu$", ""}}},
    // As root the folder is read all the same; otherwise it shows no files.
    // Either way nothing is half done.
    {"UnreadableFolder",
     [](Tree& t) {
       WriteFile(t.Root("sub/c.log"), kLog);
       ASSERT_EQ(chmod(t.Root("sub").c_str(), 0), 0);
     },
     nullptr,
     geteuid() == 0 ? std::vector<std::pair<std::string, int>>{{"c.log", frDone}}
                    : std::vector<std::pair<std::string, int>>{},
     {{"sub/c.log", geteuid() == 0 ? kDone : kLog}, {"sub/c.qu$", ""}}},
    // Nor may the run enter a link put in a listed subfolder's place.
    {"FolderTurnsIntoALinkOutsideAfterTheListing",
     [](Tree& t) { WriteFile(t.Root("sub/c.log"), kLog); },
     [](Tree& t) {
       ASSERT_EQ(rename(t.Root("sub").c_str(), t.Root("moved").c_str()), 0);
       Link(t.Outside("sub"), t.Root("sub"));
     },
     {},
     {{"moved/c.log", kLog}},
     platform::ListKind::kSubfolders},
};

INSTANTIATE_TEST_SUITE_P(Trees, HostileTree, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
