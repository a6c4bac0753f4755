#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "platform/FileSystem.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::Sjis;
using testing::WriteFile;

// Sets a file's last-write time to today at the given local time of day.
void SetLocalTimeOfDay(const std::string& native_path, int hour, int minute, int second) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  timespec times[2] = {{mktime(&tm), 0}, {mktime(&tm), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, native_path.c_str(), times, 0), 0);
}

std::string LoadLine(int count) {
  return Sjis("定義ファイルから " + std::to_string(count) + "行読み込みました.");
}

// The status log cut into one block per visited folder, keyed by the
// folder's path as the header shows it, in visiting order.
struct Block {
  std::string folder;
  std::vector<std::string> lines;  // after the header
};

std::vector<Block> Blocks(const std::vector<std::string>& log) {
  std::vector<Block> blocks;
  for (const std::string& line : log) {
    if (line.rfind("----- ", 0) == 0 && line.size() > 12) {
      // The empty line before a header opens it; it is not the previous
      // folder's.
      if (!blocks.empty() && !blocks.back().lines.empty()) blocks.back().lines.pop_back();
      blocks.push_back({line.substr(6, line.size() - 12), {}});
    } else if (!blocks.empty()) {
      blocks.back().lines.push_back(line);
    }
  }
  return blocks;
}

class FolderRun : public ::testing::Test {
 protected:
  FolderRun() : engine{g, fs, rec, prog.windows() + "\\"} {
    g.options.Skip = false;
    g.definitions.LoadedFrom = "///dummy///";
    WriteFile(prog.Native("Quillet.def"), "; program folder\r\n*DEBUG*\r\n");
  }

  int Run(std::string_view pattern = "*.log", bool subfolders = true) {
    return ProcessFolder(engine, root.windows(), pattern, subfolders);
  }
  std::string Folder(std::string_view relative = "") const {
    return relative.empty() ? root.windows() + "\\" : root.Windows(relative) + "\\";
  }

  ScratchDir root;
  ScratchDir prog;
  Globals g;
  testing::StatusRecorder rec;
  testing::FaultyFileSystem fs;
  Engine engine;
};

TEST_F(FolderRun, WritesHeaderLoadLineCountAndSizeReport) {
  WriteFile(root.Native("a.log"), "keep\r\nDEBUG x\r\nkeep2\r\n");  // 22 bytes, 13 kept
  WriteFile(root.Native("b.txt"), "DEBUG\r\n");

  ASSERT_EQ(Run("*.log", false), 0);

  const std::vector<std::string> expected = {"",          "----- " + Folder() + " -----",
                                             LoadLine(1), "1 File(s) Found.",
                                             "",          "a.log\t(22 to 13 bytes / 59%)"};
  EXPECT_EQ(rec.log, expected);
  EXPECT_EQ(ReadFile(root.Native("a.log")), "keep\r\nkeep2\r\n");
  EXPECT_EQ(ReadFile(root.Native("b.txt")), "DEBUG\r\n");
  EXPECT_EQ(g.run.FoundCount, 1);
  EXPECT_EQ(g.run.ErrorCount, 0);
  EXPECT_EQ(g.run.SkipCount, 0);
}

TEST_F(FolderRun, FolderWithoutMatchesNeedsNoDefinitionFile) {
  ASSERT_EQ(unlink(prog.Native("Quillet.def").c_str()), 0);
  WriteFile(root.Native("notes.txt"), "x\r\n");

  EXPECT_EQ(Run("*.log", false), 0);
  const std::vector<std::string> expected = {"", "----- " + Folder() + " -----", "0 File(s) Found.",
                                             ""};
  EXPECT_EQ(rec.log, expected);
  EXPECT_EQ(g.run.FoundCount, 0);
}

TEST_F(FolderRun, VisitsSubfoldersDepthFirstWithTheirOwnDefinitionFiles) {
  WriteFile(root.Native("top.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native(".hidden.log"), "DEBUG\r\n");
  WriteFile(root.Native("own/Quillet.def"), "*INFO*\r\n*TRACE*\r\n");
  WriteFile(root.Native("own/b.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("own/deeper/c.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native(".hid/d.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("plain/e.log"), "DEBUG\r\nINFO\r\n");
  WriteFile(root.Native("empty/x.txt"), "");
  // A link to a folder outside the tree is never followed.
  ScratchDir outside;
  WriteFile(outside.Native("z.log"), "DEBUG\r\n");
  ASSERT_EQ(symlink(outside.native().c_str(), root.Native("link").c_str()), 0);

  ASSERT_EQ(Run(), 0);

  // What each folder must end with, wherever the listing puts it.
  const std::string program_def = prog.windows() + "\\Quillet.def";
  const std::string own_def = Folder("own") + "Quillet.def";
  std::map<std::string, std::string> report = {
      {Folder(), "top.log\t(13 to 6 bytes / 46%)"},
      {Folder("own"), "b.log\t(13 to 7 bytes / 53%)"},
      {Folder("own/deeper"), "c.log\t(13 to 6 bytes / 46%)"},
      {Folder(".hid"), "d.log\t(13 to 6 bytes / 46%)"},
      {Folder("plain"), "e.log\t(13 to 6 bytes / 46%)"},
      {Folder("empty"), ""}};

  std::vector<Block> blocks = Blocks(rec.log);
  ASSERT_EQ(blocks.size(), report.size());
  EXPECT_EQ(blocks[0].folder, Folder());
  std::string loaded;  // which file the table holds as the run goes on
  for (const Block& block : blocks) {
    ASSERT_TRUE(report.count(block.folder)) << block.folder;
    if (block.folder == Folder("empty")) {
      EXPECT_EQ(block.lines, (std::vector<std::string>{"0 File(s) Found.", ""}));
      continue;
    }
    const std::string& wanted = block.folder == Folder("own") ? own_def : program_def;
    std::vector<std::string> expected;
    if (wanted != loaded) expected.push_back(LoadLine(wanted == own_def ? 2 : 1));
    loaded = wanted;
    expected.insert(expected.end(), {"1 File(s) Found.", "", report[block.folder]});
    EXPECT_EQ(block.lines, expected) << block.folder;
  }
  // Files of a folder come before its subfolders, and a subfolder is
  // finished before the next one begins.
  auto at = [&](const std::string& folder) {
    for (std::size_t i = 0; i < blocks.size(); ++i)
      if (blocks[i].folder == folder) return i;
    return blocks.size();
  };
  EXPECT_EQ(at(Folder("own/deeper")), at(Folder("own")) + 1);

  EXPECT_EQ(ReadFile(root.Native(".hidden.log")), "DEBUG\r\n");
  EXPECT_EQ(ReadFile(outside.Native("z.log")), "DEBUG\r\n");
  EXPECT_EQ(g.run.FoundCount, 5);
  EXPECT_EQ(g.run.ErrorCount, 0);
}

TEST_F(FolderRun, ReadOnlyFilesAreReportedAndCountedAsErrorsBeforeAutoSkip) {
  g.options.Skip = true;
  WriteFile(root.Native("ro.log"), "DEBUG\r\n");
  SetLocalTimeOfDay(root.Native("ro.log"), 0, 0, 0);
  ASSERT_EQ(chmod(root.Native("ro.log").c_str(), 0444), 0);

  ASSERT_EQ(Run("ro.log", false), 0);
  EXPECT_EQ(rec.log.back(), "ro.log\t" + Sjis(" -> ﾘｰﾄﾞｵﾝﾘｰﾌｧｲﾙ は処理できません."));
  EXPECT_EQ(g.run.ErrorCount, 1);
  EXPECT_EQ(g.run.SkipCount, 0);
  EXPECT_EQ(ReadFile(root.Native("ro.log")), "DEBUG\r\n");
}

struct SkipCase {
  int hour, minute, second;
  bool skip_disp;
  bool skipped;
};

class FolderRunSkip : public FolderRun, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(FolderRunSkip, PassesOverFilesStampedAtMidnight) {
  const SkipCase& c = GetParam();
  g.options.Skip = true;
  g.options.SkipDisp = c.skip_disp;
  WriteFile(root.Native("a.log"), "DEBUG\r\nkeep\r\n");
  SetLocalTimeOfDay(root.Native("a.log"), c.hour, c.minute, c.second);

  ASSERT_EQ(Run("a.log", false), 0);
  EXPECT_EQ(g.run.SkipCount, c.skipped ? 1 : 0);
  if (!c.skipped) {
    EXPECT_EQ(rec.log.back(), "a.log\t(13 to 6 bytes / 46%)");
  } else if (c.skip_disp) {
    EXPECT_EQ(rec.log.back(), "a.log\t(00:00 - Skip.)");
  } else {
    EXPECT_EQ(rec.log.back(), "");  // the empty line after the count line
  }
  EXPECT_EQ(ReadFile(root.Native("a.log")) == "DEBUG\r\nkeep\r\n", c.skipped);
}

INSTANTIATE_TEST_SUITE_P(TwoSecondResolution, FolderRunSkip,
                         ::testing::Values(SkipCase{0, 0, 0, true, true},
                                           SkipCase{0, 0, 1, false, true},  // rounds down to 00:00
                                           SkipCase{0, 0, 2, true, false},
                                           SkipCase{12, 0, 0, true, false}));

TEST_F(FolderRun, SecondRunSkipsWhatTheFirstStampedAtMidnight) {
  g.options.Skip = true;
  g.options.SkipDisp = true;
  WriteFile(root.Native("a.log"), "DEBUG\r\nkeep\r\n");
  SetLocalTimeOfDay(root.Native("a.log"), 9, 30, 0);

  ASSERT_EQ(Run("a.log", false), 0);
  g.definitions.LoadedFrom = "///dummy///";
  ASSERT_EQ(Run("a.log", false), 0);
  EXPECT_EQ(rec.log.back(), "a.log\t(00:00 - Skip.)");
  EXPECT_EQ(g.run.SkipCount, 1);
  // The program folder's file is read and announced again by the new run.
  EXPECT_EQ(std::count(rec.log.begin(), rec.log.end(), LoadLine(1)), 2);
}

TEST_F(FolderRun, ReportsEmptyFilesAndTextsOfOnlyACtrlZ) {
  WriteFile(root.Native("empty/e.log"), "");
  WriteFile(root.Native("ctrlz/z.log"), "\x1A");

  ASSERT_EQ(Run("*.log", true), 0);
  std::map<std::string, std::string> last;
  for (const Block& block : Blocks(rec.log)) last[block.folder] = block.lines.back();
  EXPECT_EQ(last[Folder("empty")], "e.log\t" + Sjis("(ｽｷｯﾌﾟしました. ｻｲｽﾞ=0ﾊﾞｲﾄ)"));
  EXPECT_EQ(last[Folder("ctrlz")], "z.log\t(0 to 0 bytes / 100%)");
  EXPECT_EQ(g.run.SkipCount, 1);
  EXPECT_EQ(g.run.ErrorCount, 0);
}

TEST_F(FolderRun, MidnightSeenOnlyByFileProcessingIsReportedButNotCounted) {
  g.options.Skip = true;
  WriteFile(root.Native("a.log"), "DEBUG\r\n");
  SetLocalTimeOfDay(root.Native("a.log"), 0, 0, 0);
  // The folder run's own stamp query fails; file processing's succeeds.
  fs.Add({testing::FsOp::kGetTime, "a.log", 1, EIO});

  ASSERT_EQ(Run("a.log", false), 0);
  EXPECT_EQ(rec.log.back(), "a.log\t(00:00 - Skip.)");
  EXPECT_EQ(g.run.SkipCount, 0);
  EXPECT_EQ(g.run.ErrorCount, 0);
}

TEST_F(FolderRun, CancelFinishesTheCurrentFileThenStops) {
  WriteFile(root.Native("a/one.log"), "DEBUG\r\nkeep\r\n");
  WriteFile(root.Native("a/two.log"), "DEBUG\r\nkeep\r\n");
  WriteFile(root.Native("b/three.log"), "DEBUG\r\nkeep\r\n");
  rec.on_yield = [&] {
    const std::string& last = rec.log.back();
    if (last.size() > 7 && last.compare(last.size() - 7, 7, "  . . .") == 0)
      g.run.CancelRequested = true;
  };

  ASSERT_EQ(Run(), 0);
  EXPECT_TRUE(g.run.CancelRequested);
  // One file was processed to its end and reported; nothing followed it.
  ASSERT_EQ(Blocks(rec.log).size(), 2u);
  EXPECT_NE(rec.log.back().find("(13 to 6 bytes / 46%)"), std::string::npos);
  const int untouched = (ReadFile(root.Native("a/one.log")) == "DEBUG\r\nkeep\r\n") +
                        (ReadFile(root.Native("a/two.log")) == "DEBUG\r\nkeep\r\n") +
                        (ReadFile(root.Native("b/three.log")) == "DEBUG\r\nkeep\r\n");
  EXPECT_EQ(untouched, 2);
}

TEST_F(FolderRun, CancelDuringTheHeaderStopsBeforeAnything) {
  WriteFile(root.Native("a.log"), "DEBUG\r\n");
  rec.on_yield = [&] { g.run.CancelRequested = true; };
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(rec.log.size(), 2u);
  EXPECT_EQ(ReadFile(root.Native("a.log")), "DEBUG\r\n");
}

struct RunLevelCase {
  const char* name;
  const char* pattern;
  const char* definition;  // in the folder "sub"; nullptr: none anywhere
  int code;
};

class FolderRunStops : public FolderRun, public ::testing::WithParamInterface<RunLevelCase> {};

TEST_P(FolderRunStops, WithItsCodeAndLeavesLaterFoldersUntouched) {
  const RunLevelCase& c = GetParam();
  g.shell.AutoExit = true;
  WriteFile(root.Native("sub/a.log"), "DEBUG\r\n");
  WriteFile(root.Native("sub/sub2/b.log"), "DEBUG\r\n");
  if (c.definition == nullptr) {
    ASSERT_EQ(unlink(prog.Native("Quillet.def").c_str()), 0);
  } else if (std::string(c.definition) == "<dir>") {
    ASSERT_EQ(mkdir(root.Native("sub/Quillet.def").c_str(), 0755), 0);
  } else {
    WriteFile(root.Native("sub/Quillet.def"), c.definition);
  }

  EXPECT_EQ(Run(c.pattern), c.code);
  EXPECT_TRUE(g.run.CancelRequested);
  EXPECT_EQ(ReadFile(root.Native("sub/a.log")), "DEBUG\r\n");
  EXPECT_EQ(ReadFile(root.Native("sub/sub2/b.log")), "DEBUG\r\n");
  std::vector<Block> blocks = Blocks(rec.log);
  if (c.code == frAllFilesPattern || c.code == frTempIncExtConflict) {
    // Refused after the first header, before anything is counted.
    EXPECT_EQ(blocks.size(), 1u);
    EXPECT_EQ(g.run.FoundCount, 0);
  } else {
    // A definition failure in a subfolder comes up unchanged and clears
    // the automatic exit; no folder after "sub" is visited.
    EXPECT_FALSE(g.shell.AutoExit);
    EXPECT_EQ(blocks.back().folder, Folder("sub"));
    EXPECT_EQ(blocks.front().lines, (std::vector<std::string>{"0 File(s) Found.", ""}));
  }
}

std::string TooManyDefinitions() {
  std::string text = ";comment\r\n\r\n";
  for (int i = 0; i < 2001; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

const std::string kTooMany = TooManyDefinitions();

INSTANTIATE_TEST_SUITE_P(
    RunLevelCodes, FolderRunStops,
    ::testing::Values(RunLevelCase{"Star", "*", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"StarDot", "*.", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"StarDotStar", "*.*", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"FolderPartStarDotStar", "sub\\*.*", "x\r\n", frAllFilesPattern},
                      RunLevelCase{"NoDefinitionFile", "*.log", nullptr, frNoDefinitionFile},
                      RunLevelCase{"OnlyComments", "*.log", ";x\r\n \t\r\n", frNoDefinitionLines},
                      RunLevelCase{"TooMany", "*.log", kTooMany.c_str(), frTooManyDefinitionLines},
                      RunLevelCase{"StarOnly", "*.log", "ok\r\n* *\r\n", frStarOnlyDefinition},
                      RunLevelCase{"Unreadable", "*.log", "<dir>", frDefinitionOpenError}),
    [](const ::testing::TestParamInfo<RunLevelCase>& info) { return info.param.name; });

TEST_F(FolderRun, IncrementWithTheTemporaryExtensionIsRefusedBeforeCounting) {
  g.options.Inc = true;
  g.options.IncExt = "QU$";
  WriteFile(root.Native("a.log"), "DEBUG\r\n");
  EXPECT_EQ(Run(), frTempIncExtConflict);
  EXPECT_TRUE(g.run.CancelRequested);
  EXPECT_EQ(g.run.FoundCount, 0);
  EXPECT_EQ(rec.log.size(), 2u);

  g.options.Inc = false;  // the same extensions without increment run normally
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ReadFile(root.Native("a.log")), "");
}

}  // namespace
}  // namespace quillet
