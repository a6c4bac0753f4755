#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/DefinitionIndex.h"
#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
using Lines = std::vector<std::string>;
using testing::LoadLine;

// A program folder "prog" and a log folder "logs" in a scratch folder.
class DefinitionLoader : public ::testing::TestWithParam<std::size_t> {
 protected:
  DefinitionLoader() { std::filesystem::create_directories(dir_.Native("logs")); }

  int Load(std::string_view program_def, std::size_t block_bytes = kDefaultBlockBytes) {
    testing::WriteFile(dir_.Native("prog/Quillet.def"), program_def);
    engine_.block_bytes = block_bytes;
    return LoadDefinitions(engine_, logs_);
  }
  Entries Table() const {
    Entries entries;
    for (const DefinitionEntry& e : g_.definitions.Entries) entries.emplace_back(e.Pattern, e.Tail);
    return entries;
  }

  testing::ScratchDir dir_;
  const std::string logs_ = dir_.Windows("logs") + "\\";
  const std::string program_def_ = dir_.Windows("prog/Quillet.def");
  Globals g_;
  testing::StatusRecorder status_;
  testing::FaultyFileSystem fs_;
  Engine engine_{g_, fs_, status_, dir_.Windows("prog") + "\\"};
};

TEST_P(DefinitionLoader, SplitsCommentsBlanksAndMarkers) {
  ASSERT_EQ(Load("; comment\r\n \t \r\n*word*\r\n ;word\r\n*word*\\rsecond\r\nword\\R\r\n"
                 "\x95\x5Cr\r\n"  // 表r: the 0x5C of 表 is no marker
                 "a\\\\rb\\rc\r\nend\\\r\n*\t\nx\x1A**\r\n",
                 GetParam()),
            0);
  EXPECT_EQ(Table(), (Entries{{"*word*", ""},
                              {" ;word", ""},
                              {"*word*", "second"},
                              {"word", ""},
                              {"\x95\x5Cr", ""},
                              {"a\\", "b\\rc"},
                              {"end\\", ""},
                              {"*\t", ""},
                              {"x", ""}}));
  EXPECT_EQ(status_.log, Lines{LoadLine(9)});
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, DefinitionLoader, ::testing::Values(1, 7, 65536));

// As vim writes it, then with a line added by `echo >>` and one with CR LF.
TEST_F(DefinitionLoader, LfEndedLinesAreDefinitionsCommentsAndBlanksAlike) {
  ASSERT_EQ(Load("; vim\n*DEBUG*\n\n \t\n*x*\\rtail\n*y*\r\nz\\R\n"), 0);
  EXPECT_EQ(Table(), (Entries{{"*DEBUG*", ""}, {"*x*", "tail"}, {"*y*", ""}, {"z", ""}}));
}

TEST_F(DefinitionLoader, RejectsFilesWithoutUsableDefinitions) {
  std::string max;
  for (int i = 0; i < 2000; ++i) max += "; note\r\nline" + std::to_string(i) + "\r\n\r\n";
  const std::pair<std::string, int> cases[] = {
      {"", frNoDefinitionLines},
      {";only\r\n\t\t\r\n\r\n", frNoDefinitionLines},
      {"\x1A*\r\n", frNoDefinitionLines},
      {"ok\r\n* *\r\nok\r\n", frStarOnlyDefinition},
      {"\\rword\r\n", frStarOnlyDefinition},      // empty pattern
      {max + "*\r\n", frTooManyDefinitionLines},  // found before the star-only line
  };
  for (const auto& [text, code] : cases) {
    g_.definitions.LoadedFrom = kLoadedFromDummy;
    EXPECT_EQ(Load(text), code) << text;
    EXPECT_EQ(g_.definitions.LoadedFrom, program_def_);
  }
  EXPECT_TRUE(status_.log.empty());
  g_.definitions.LoadedFrom = kLoadedFromDummy;
  ASSERT_EQ(Load(max), 0);
  EXPECT_EQ(g_.definitions.Count(), 2000);
  EXPECT_EQ(status_.log, Lines{LoadLine(2000)});
}

// Bytes of every value from a fixed seed; without Ctrl-Z the whole file is
// text, with it the text ends at the first one.
std::string Junk(std::size_t size, bool with_ctrl_z) {
  std::mt19937 rng(11);
  std::string junk;
  while (junk.size() < size) {
    const char c = static_cast<char>(rng());
    if (with_ctrl_z || c != '\x1A') junk += c;
  }
  return junk;
}
const std::string kJunk = Junk(1 << 16, false);
const std::string kJunkWithCtrlZ = Junk(1 << 16, true);

// Junk loads, and a 100 MB definition line loads as one entry; either
// table then serves a run in bounded time and memory, matching nothing here.
TEST_F(DefinitionLoader, JunkAndHugeLinesLoadAndServeARun) {
  const std::string huge = "*" + std::string(100 << 20, 'x') + "*";
  const std::string log = "keep\r\n\x82\xA0 xx\r\n" + std::string(300, 'x') + "\r\n";
  g_.options.Skip = false;
  for (const std::string* text : {&kJunk, &kJunkWithCtrlZ, &huge}) {
    g_.definitions.LoadedFrom = kLoadedFromDummy;
    ASSERT_EQ(Load(*text), 0);
    testing::WriteFile(dir_.Native("logs/a.log"), log);
    std::int64_t before = 0;
    std::int64_t after = 0;
    EXPECT_EQ(ProcessFile(engine_, logs_ + "a.log", before, after), frDone);
    EXPECT_EQ(testing::ReadFile(dir_.Native("logs/a.log")), log);
  }
  EXPECT_TRUE(g_.definitions.Count() == 1 && g_.definitions.Entries[0].Pattern == huge);
}

TEST_F(DefinitionLoader, MissingUnopenableAndUnreadableFiles) {
  EXPECT_EQ(LoadDefinitions(engine_, logs_), frNoDefinitionFile);
  std::filesystem::create_directories(dir_.Native("logs/Quillet.def"));
  EXPECT_EQ(LoadDefinitions(engine_, logs_), frDefinitionOpenError);
  EXPECT_EQ(g_.definitions.LoadedFrom, logs_ + "Quillet.def");
  std::filesystem::remove(dir_.Native("logs/Quillet.def"));
  fs_.Add({.op = testing::FsOp::kRead, .path_suffix = "Quillet.def", .nth = 3});
  EXPECT_EQ(Load("one\r\ntwo\r\nthree\r\n", 7), frDefinitionOpenError);
  EXPECT_TRUE(status_.log.empty());
}

TEST_F(DefinitionLoader, ReusesTheLoadedFileUntilTheRunResetsIt) {
  ASSERT_EQ(Load("*a*\r\n*b*\r\n*c*\r\n"), 0);
  EXPECT_EQ(Load("*\r\n"), 0);  // not read: the same path is loaded
  EXPECT_EQ(g_.definitions.Count(), 3);
  EXPECT_EQ(status_.log, Lines{LoadLine(3)});
  g_.definitions.LoadedFrom = kLoadedFromDummy;
  EXPECT_EQ(Load("*\r\n"), frStarOnlyDefinition);
}

// The engine keeps one index from file to file: a load builds it, and it
// follows every later change of the table, by a load or made directly.
TEST_F(DefinitionLoader, KeptIndexFollowsEveryChangeOfTheTable) {
  ASSERT_EQ(Load("*alpha123*\r\n*beta4567*\r\n"), 0);
  DefinitionIndex* const kept = engine_.definition_index.get();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(&CurrentDefinitionIndex(engine_), kept);
  EXPECT_EQ(kept->FindFirstMatch("x beta4567"), 1);
  g_.definitions.Entries[0].Tail = "new tail";
  EXPECT_EQ(&CurrentDefinitionIndex(engine_), kept);
  g_.definitions.Entries[1].Pattern = "*gamma890*";
  EXPECT_EQ(CurrentDefinitionIndex(engine_).FindFirstMatch("x beta4567"), -1);
  EXPECT_EQ(CurrentDefinitionIndex(engine_).FindFirstMatch("x gamma890"), 1);
  g_.definitions.Entries.push_back({"*beta4567*", ""});
  EXPECT_EQ(CurrentDefinitionIndex(engine_).FindFirstMatch("x beta4567"), 2);
  g_.definitions.LoadedFrom = kLoadedFromDummy;
  ASSERT_EQ(Load("*delta321*\r\n"), 0);
  EXPECT_EQ(CurrentDefinitionIndex(engine_).FindFirstMatch("x alpha123"), -1);
  EXPECT_EQ(CurrentDefinitionIndex(engine_).FindFirstMatch("x delta321"), 0);
  g_.definitions.Entries.clear();
  EXPECT_EQ(CurrentDefinitionIndex(engine_).FindFirstMatch("x delta321"), -1);
}

TEST_F(DefinitionLoader, FolderFilePreferredOverProgramFile) {
  testing::WriteFile(dir_.Native("logs/Quillet.def"), "folder\r\n");
  ASSERT_EQ(Load("program\r\n"), 0);
  EXPECT_EQ(Table(), (Entries{{"folder", ""}}));
  EXPECT_EQ(g_.definitions.LoadedFrom, logs_ + "Quillet.def");
  std::filesystem::create_directories(dir_.Native("logs/sub"));
  ASSERT_EQ(LoadDefinitions(engine_, dir_.Windows("logs/sub") + "\\"), 0);
  EXPECT_EQ(Table(), (Entries{{"program", ""}}));
  EXPECT_EQ(g_.definitions.LoadedFrom, program_def_);
  EXPECT_EQ(status_.log.size(), 2u);
}

// A definition file saved as UTF-8 loads as ever, and is told to the engine's
// caller once per load, when every line is UTF-8 and one holds a character
// of several bytes.
struct Utf8Case {
  const char* name;
  const char* text;
  bool told;
};
class DefinitionsInUtf8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(DefinitionsInUtf8, AreToldButLoaded) {
  testing::ScratchDir dir;
  Globals g;
  testing::StatusRecorder status;
  Engine engine{g, platform::PosixFileSystem(), status, dir.Windows("prog") + "\\"};
  std::vector<std::string> told;
  engine.on_utf8_definitions = [&](std::string_view path) { told.emplace_back(path); };
  testing::WriteFile(dir.Native("logs/Quillet.def"), GetParam().text);
  ASSERT_EQ(LoadDefinitions(engine, dir.Windows("logs") + "\\"), 0);
  const std::vector<std::string> expected{dir.Windows("logs/Quillet.def")};
  EXPECT_EQ(told, GetParam().told ? expected : std::vector<std::string>{});
  EXPECT_EQ(status.log, Lines{LoadLine(g.definitions.Count())});
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DefinitionsInUtf8,
    ::testing::Values(Utf8Case{"VimLf", "*\xE6\x8E\xA5\xE7\xB6\x9A*\n[DEBUG]*\n", true},  // *接続*
                      Utf8Case{"CrLf4Byte", "x\r\n*\xF0\x9F\x8D\xA3*\r\n", true},         // *🍣*
                      Utf8Case{"OnlyAComment", "; \xE3\x83\xA1\xE3\x83\xA2\r\n[DEBUG]*\r\n",
                               true},  // メモ
                      Utf8Case{"BomThenAscii", "\xEF\xBB\xBF[DEBUG]*\r\n", true},
                      Utf8Case{"Ascii", "[DEBUG]*\r\n*heartbeat*\r\n", false},
                      Utf8Case{"ShiftJis", "*\x90\xDA\x91\xB1*\r\n", false},  // *接続*
                      // UTF-8 first, Shift-JIS after: not a UTF-8 file.
                      Utf8Case{"MixedLines", "*\xE6\x8E\xA5*\r\n*\x90\xDA\x91\xB1*\r\n", false},
                      Utf8Case{"Overlong", "*\xC0\xAF*\r\n", false},
                      Utf8Case{"Surrogate", "*\xED\xA0\x80*\r\n", false},
                      Utf8Case{"CutShort", "*\xE6\x8E", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
