#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/FolderRun.h"
#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;
using Lines = std::vector<std::string>;

const std::string kLog = "DEBUG\r\nkeep\r\n", kDone = "keep\r\n";

// The status log cut into blocks per visited folder: its header's folder and the lines after.
std::vector<std::pair<std::string, Lines>> Blocks(const Lines& log) {
  std::vector<std::pair<std::string, Lines>> blocks;
  for (const std::string& line : log) {
    if (line.rfind("----- ", 0) == 0 && line.size() > 12) {
      if (!blocks.empty() && !blocks.back().second.empty()) blocks.back().second.pop_back();
      blocks.push_back({line.substr(6, line.size() - 12), {}});
    } else if (!blocks.empty()) {
      blocks.back().second.push_back(line);
    }
  }
  return blocks;
}

// Calls `after_listing` after every listing with its kind and number among that kind.
class ActingFileSystem : public testing::FaultyFileSystem {
 public:
  std::function<void(platform::ListKind, int)> after_listing;
  platform::Status List(std::string_view pattern, platform::ListKind kind,
                        std::vector<platform::DirEntry>& entries) override {
    const platform::Status ok = FaultyFileSystem::List(pattern, kind, entries);
    if (after_listing) after_listing(kind, ++listings[kind == platform::ListKind::kFiles]);
    return ok;
  }
  int listings[2] = {};
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

  ScratchDir root, prog;
  Globals g;
  testing::StatusRecorder rec;
  ActingFileSystem fs;
  Engine engine;
};

TEST_F(FolderRun, VisitsSubfoldersDepthFirstWithTheirOwnDefinitionFiles) {
  for (const char* name : {"top.log", "own/b.log", "own/deeper/c.log", ".hid/d.log"})
    WriteFile(root.Native(name), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("top.txt"), "DEBUG\r\n");
  WriteFile(root.Native(".hidden.log"), "DEBUG\r\n");
  WriteFile(root.Native("own/Quillet.def"), "*INFO*\r\n*TRACE*\r\n");
  WriteFile(root.Native("empty/x.txt"), "");

  ASSERT_EQ(Run(), 0);

  // The program folder's file is loaded again after "own" used its own.
  const std::string found = "1 File(s) Found.";
  const std::map<std::string, Lines> expected = {
      {Folder(), {testing::LoadLine(1), found, "", "top.log\t(13 to 6 bytes / 46%)"}},
      {Folder("own"), {testing::LoadLine(2), found, "", "b.log\t(13 to 7 bytes / 53%)"}},
      {Folder("own/deeper"), {testing::LoadLine(1), found, "", "c.log\t(13 to 6 bytes / 46%)"}},
      {Folder(".hid"), {found, "", "d.log\t(13 to 6 bytes / 46%)"}},
      {Folder("empty"), {"0 File(s) Found.", ""}}};
  const auto blocks = Blocks(rec.log);
  EXPECT_EQ((std::map<std::string, Lines>(blocks.begin(), blocks.end())), expected);
  EXPECT_EQ(blocks.size(), expected.size());
  EXPECT_EQ(blocks.at(0).first, Folder());
  EXPECT_EQ(ReadFile(root.Native("top.txt")) + ReadFile(root.Native(".hidden.log")),
            "DEBUG\r\nDEBUG\r\n");
  EXPECT_EQ(std::tuple(g.run.FoundCount, g.run.ErrorCount, g.run.SkipCount), std::tuple(4, 0, 0));
}

// Read-only files and midnight stamps (at a two-second resolution) are counted and not rewritten.
TEST_F(FolderRun, OneFileIsReportedCountedAndRewrittenAsExpected) {
  const std::string done = "a.log\t(13 to 6 bytes / 46%)", skipped = "a.log\t(00:00 - Skip.)";
  const struct {
    std::string text;
    int hour, second;  // hour -1: stamped now, auto skip off
    bool skip_disp, time_query_fails;
    std::string report;
    int skips, errors;
    std::string after;
  } cases[] = {
      {kLog, 0, 0, true, false, skipped, 1, 0, kLog},
      {kLog, 0, 1, false, false, "", 1, 0, kLog},
      {kLog, 0, 2, true, false, done, 0, 0, kDone},
      {kLog, 0, 0, false, true, skipped, 0, 0, kLog},
      {"", -1, 0, false, false, "a.log\t" + testing::Sjis("(ｽｷｯﾌﾟしました. ｻｲｽﾞ=0ﾊﾞｲﾄ)"), 1, 0, ""},
      {"\x1A", -1, 0, false, false, "a.log\t(0 to 0 bytes / 100%)", 0, 0, ""},
      {kLog, 0, 0, true, false, "a.log\t" + testing::Sjis(" -> ﾘｰﾄﾞｵﾝﾘｰﾌｧｲﾙ は処理できません."), 0,
       1, kLog}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.report);
    WriteFile(root.Native("a.log"), c.text);
    std::tie(g.options.Skip, g.options.SkipDisp, g.run.SkipCount, g.run.ErrorCount) =
        std::tuple(c.hour >= 0, c.skip_disp, 0, 0);
    if (c.hour >= 0) testing::SetLocalTimeOfDay(root.Native("a.log"), c.hour, 0, c.second);
    if (c.errors > 0) chmod(root.Native("a.log").c_str(), 0444);  // the last row
    if (c.time_query_fails) fs.Add({testing::FsOp::kGetTime, "a.log", 1, EIO});
    ASSERT_EQ(Run("a.log", false), 0);
    EXPECT_EQ(std::tuple(rec.log.back(), g.run.SkipCount, g.run.ErrorCount,
                         ReadFile(root.Native("a.log"))),
              std::tuple(c.report, c.skips, c.errors, c.after));
  }
}

// A cancel lets the current file finish and then stops: nothing follows it.
TEST_F(FolderRun, CancelFinishesTheCurrentFileThenStops) {
  const char* const names[] = {"a/one.log", "a/two.log", "b/three.log", "b/four.log"};
  for (const char* name : names) WriteFile(root.Native(name), kLog);
  rec.on_yield = [&] {
    const std::string& last = rec.log.back();
    if (last.size() > 7 && last.compare(last.size() - 7, 7, "  . . .") == 0) rec.cancel = true;
  };
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Blocks(rec.log).size(), 2u);
  EXPECT_NE(rec.log.back().find("(13 to 6 bytes / 46%)"), std::string::npos);
  EXPECT_EQ(std::count_if(std::begin(names), std::end(names),
                          [&](const char* name) { return ReadFile(root.Native(name)) == kLog; }),
            3);
}

// A refused request (blank extensions would make "a" the copy of "a.log") touches nothing.
TEST_F(FolderRun, RefusedRequestsTouchNothing) {
  const struct {
    const char *pattern, *back_ext;
    bool inc;
    const char* inc_ext;
    int code;
  } cases[] = {{"*", "qu$", false, "", frAllFilesPattern},
               {"*.", "qu$", false, "", frAllFilesPattern},
               {"*.*", "qu$", false, "", frAllFilesPattern},
               {"sub\\*.*", "qu$", false, "", frAllFilesPattern},
               {"*.log", "", false, "inc", frBlankBackExt},
               {"*.log", " \t", true, "inc", frBlankBackExt},
               {"*.log", "qu$", true, "  ", frBlankIncExt},
               {"*.log", "qu$", true, "", frBlankIncExt},
               {"*.log", "qu$", true, "QU$", frTempIncExtConflict},
               {"*.log", "qu$", false, "QU$", 0},  // IncExt is unused without Inc
               {"*.log", "qu$", false, "", 0}};
  g.options.Back = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + c.back_ext + "/" + c.inc_ext);
    WriteFile(root.Native("a.log"), kLog);
    WriteFile(root.Native("a"), "unrelated\r\n");
    std::tie(g.options.BackExt, g.options.Inc, g.options.IncExt) =
        std::tuple(c.back_ext, c.inc, c.inc_ext);
    rec.log.clear();
    g.run.FoundCount = 0;
    EXPECT_EQ(Run(c.pattern, false), c.code);
    EXPECT_EQ(ReadFile(root.Native("a")), "unrelated\r\n");
    EXPECT_EQ(ReadFile(root.Native("a.log")), c.code != 0 ? kLog : kDone);
    EXPECT_EQ(g.run.CancelRequested, c.code != 0);
    if (c.code != 0) {
      EXPECT_EQ(std::tuple(g.run.FoundCount, rec.log.size()), std::tuple(0, 2u));  // header only
    }
  }
}

// A definition failure in a subfolder stops the run there and comes up unchanged.
TEST_F(FolderRun, DefinitionFailureInASubfolderStopsTheRun) {
  WriteFile(root.Native("sub/a.log"), kLog);
  WriteFile(root.Native("sub/sub2/b.log"), kLog);
  WriteFile(root.Native("sub/Quillet.def"), ";x\r\n \t\r\n");
  for (const int code : {frNoDefinitionLines, frNoDefinitionFile}) {
    rec.log.clear();
    const RunSummary summary = ProcessRequest(
        engine, {.folder = root.windows(), .pattern = "*.log", .with_subfolders = true});
    EXPECT_EQ(std::tuple(summary.code, summary.cancelled, summary.stopped_in_subfolder),
              std::tuple(code, true, true));
    EXPECT_EQ(ReadFile(root.Native("sub/a.log")) + ReadFile(root.Native("sub/sub2/b.log")),
              kLog + kLog);
    const auto blocks = Blocks(rec.log);
    EXPECT_EQ(std::pair(blocks.front().second, blocks.back().first),
              std::pair(Lines{"0 File(s) Found.", ""}, Folder("sub")));
    std::filesystem::remove(root.Native("sub/Quillet.def"));
    std::filesystem::remove(prog.Native("Quillet.def"));
  }
}

// A preview writes nothing and shows the status log of the real run.
TEST_F(FolderRun, PreviewWritesNothingAndShowsTheStatusLogOfTheRealRun) {
  const struct {
    const char* name;
    bool Back, Inc, Time, TimeZ, Trim;
    int SpLine;
    bool Skip, SkipDisp;
  } cases[] = {{"Defaults", false, false, true, true, true, 1, true, false},
               {"IncBack", true, true, false, true, true, 1, false, false},
               {"NoTimeNoTrimKeepBlanks", false, false, false, false, false, -1, false, false},
               {"BackDropBlanksTimeOnly", true, false, true, false, true, 0, true, true}};
  WriteFile(prog.Native("Quillet.def"), "*DEBUG*\n*pass=*\\rpass=***\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rec.log.clear();
    const auto at = [&](const std::string& rel) { return root.Native(c.name + ("/" + rel)); };
    WriteFile(at("a.log"), "DEBUG x\nkeep  \n\n\n\nuser pass=1\r\nold mac\rDEBUG\r\n\r\n\r\nend");
    WriteFile(at("a.inc"), "earlier\n");
    WriteFile(at("a.qu$"), "an earlier copy\n");
    WriteFile(at("empty.log"), "");
    WriteFile(at("bin.log"), std::string("x\0y\n", 4));
    WriteFile(at("cut.log"), "DEBUG\n\x1A hidden\n");
    WriteFile(at("sub/Quillet.def"), "\n*INFO*\n*INFO 7*\n");
    for (const char* name : {"night.log", "ro.log", "linked.log", "sub/c.log", "sub/deeper/d.log"})
      WriteFile(at(name), "INFO 7\nDEBUG\n\n\n");
    testing::SetLocalTimeOfDay(at("night.log"), 0, 0, 0);
    ASSERT_EQ(chmod(at("ro.log").c_str(), 0444), 0);
    ASSERT_EQ(link(at("linked.log").c_str(), at("linked.txt").c_str()), 0);
    ProcessingOptions& o = g.options;
    std::tie(o.Back, o.Inc, o.Time, o.TimeZ, o.Trim, o.SpLine, o.Skip, o.SkipDisp) =
        std::tie(c.Back, c.Inc, c.Time, c.TimeZ, c.Trim, c.SpLine, c.Skip, c.SkipDisp);
    const RunRequest request{
        .folder = root.Windows(c.name), .pattern = "*.log", .with_subfolders = true};
    const auto trees = [&] { return testing::TreeSnapshot(root.native()); };
    const auto before = trees();
    engine.mode = RunMode::kPreview;
    const RunSummary previewed = ProcessRequest(engine, request);
    const Lines preview = std::exchange(rec.log, {});
    EXPECT_EQ(trees(), before);
    engine.mode = RunMode::kRewrite;
    const RunSummary done = ProcessRequest(engine, request);
    EXPECT_NE(preview.at(0), rec.log.at(0));  // the banner tells a preview
    EXPECT_EQ(Lines(preview.begin() + 1, preview.end()), Lines(rec.log.begin() + 1, rec.log.end()));
    EXPECT_EQ(std::tuple(previewed.code, previewed.ErrorCount, previewed.SkipCount),
              std::tuple(done.code, done.ErrorCount, done.SkipCount));
    EXPECT_NE(trees(), before);  // there was real work to preview
  }
}

void Link(const std::string& target, const std::string& path) {
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

std::string Report(const std::string& name, int code) {
  return name + "\t" +
         (code == frDone ? "(13 to 6 bytes / 46%)" : std::string(texts::ReportText(code)));
}

// Links, loops, special files, odd names and entries swapped for links after their listing:
// the run ends, reports each file, loses no line and leaves "outside" as it was.
TEST_F(FolderRun, HostileTreeRunEndsReportsAndTouchesNothingOutside) {
  ScratchDir outside;
  WriteFile(outside.Native("victim.log"), kLog);
  WriteFile(outside.Native("sub/deep.log"), kLog);
  // A name without a Shift-JIS form is listed with '?' and refused, as is a real '?'.
  for (const char* name : {"a.log", "b.log", "c.log", "real.txt", "sub/c.log", "locked/c.log",
                           "a\nb.log", "q'u\"ote.log", "$(touch pwned).log", "-rf.log",
                           "\xFF\xFE.log", "\xF0\x9F\x8D\xA3.log", "\xC3\xA9.log", "a?.log"})
    WriteFile(root.Native(name), kLog);
  // None of these is a log file to rewrite, nor a folder to enter.
  Link(outside.Native("victim.log"), root.Native("out.log"));
  Link(outside.Native("sub"), root.Native("outdir"));
  const char* const links[] = {"real.txt", "in.log", "..",    "up", "loop.log", "loop.log", "p.log",
                               "q.log",    "q.log",  "p.log", ".",  "self"};  // target, name
  for (std::size_t i = 0; i < std::size(links); i += 2) Link(links[i], root.Native(links[i + 1]));
  ASSERT_EQ(mkfifo(root.Native("fifo.log").c_str(), 0644), 0);
  ASSERT_EQ(chmod(root.Native("locked").c_str(), 0), 0);  // read all the same by root
  const bool as_root = geteuid() == 0;
  fs.after_listing = [&](platform::ListKind kind, int n) {
    if (kind == platform::ListKind::kFiles && n == 2) {
      ASSERT_EQ(unlink(root.Native("b.log").c_str()), 0);
      ASSERT_EQ(rename(root.Native("c.log").c_str(), root.Native("c.txt").c_str()), 0);
      Link(outside.Native("victim.log"), root.Native("c.log"));
    } else if (kind == platform::ListKind::kSubfolders && n == 1) {
      ASSERT_EQ(rename(root.Native("sub").c_str(), root.Native("moved").c_str()), 0);
      Link(outside.Native("sub"), root.Native("sub"));
    }
  };
  const auto before = testing::TreeSnapshot(outside.native());

  ASSERT_EQ(Run(), 0);

  Lines reports, shown;
  for (const char* name : {"a.log", "a\nb.log", "q'u\"ote.log", "$(touch pwned).log", "-rf.log"})
    reports.push_back(Report(name, frDone));
  for (const char* name : {"??.log", "?.log", "?.log", "a?.log", "b.log", "c.log"})
    reports.push_back(Report(name, frOpenError));
  if (as_root) reports.push_back(Report("c.log", frDone));
  for (const std::string& line : rec.log)
    if (line.find('\t') != std::string::npos) shown.push_back(line);
  std::sort(reports.begin(), reports.end());
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, reports);
  EXPECT_EQ(testing::TreeSnapshot(outside.native()), before);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.native()))
    if (!entry.is_symlink() && entry.is_directory()) chmod(entry.path().c_str(), 0755);
  const std::map<std::string, std::string> texts = {
      // "": absent
      {"a.log", kDone},       {"a\nb.log", kDone},    {"-rf.log", kDone},
      {"\xFF\xFE.log", kLog}, {"\xC3\xA9.log", kLog}, {"\xF0\x9F\x8D\xA3.log", kLog},
      {"a?.log", kLog},       {"real.txt", kLog},     {"b.log", ""},
      {"b.qu$", ""},          {"c.txt", kLog},        {"c.qu$", ""},
      {"moved/c.log", kLog},  {"locked/c.qu$", ""},   {"locked/c.log", as_root ? kDone : kLog}};
  for (const auto& [rel, text] : texts)
    EXPECT_EQ(testing::FileExists(root.Native(rel)) ? ReadFile(root.Native(rel)) : "", text) << rel;
}

}  // namespace
}  // namespace quillet
