#include <gtest/gtest.h>

#include <filesystem>

#include "core/DefinitionIndex.h"
#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

#define RYOU "\xE4\xBA\x86"  // 了 in UTF-8
using Lines = std::vector<std::string>;
using testing::LoadLine;
using testing::WriteFile;

// A program folder "prog" and a log folder "logs" in a scratch folder.
class Loader : public ::testing::Test {
 protected:
  Loader() {
    std::filesystem::create_directories(dir_.Native("logs"));
    engine_.on_utf8_definitions = [this](std::string_view path) { told_.emplace_back(path); };
  }

  int Load(std::string_view program_def, std::size_t block_bytes = kDefaultBlockBytes) {
    WriteFile(dir_.Native("prog/Quillet.def"), program_def);
    g_.definitions.LoadedFrom = kLoadedFromDummy;
    engine_.block_bytes = block_bytes;
    return LoadDefinitions(engine_, logs_);
  }
  // An entry a line, its tail after a '|'.
  std::string Table() const {
    std::string table;
    for (const DefinitionEntry& e : g_.definitions.Entries)
      table += e.Pattern + (e.Tail.empty() ? "" : "|" + e.Tail) + "\n";
    return table;
  }
  int First(std::string_view line) { return CurrentDefinitionIndex(engine_).FindFirstMatch(line); }

  testing::ScratchDir dir_;
  const std::string logs_ = dir_.Windows("logs") + "\\";
  const std::string program_def_ = dir_.Windows("prog/Quillet.def");
  Globals g_;
  testing::StatusRecorder status_;
  testing::FaultyFileSystem fs_;
  Engine engine_{g_, fs_, status_, dir_.Windows("prog") + "\\"};
  Lines told_;
};

std::string Many(int count, bool table = false) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += (table ? "line" : "; x\r\nline") + std::to_string(i) + (table ? "\n" : "\r\n\r\n");
  return text;
}

struct LoadCase {
  const char* name;
  std::string text;
  int result;
  std::string table;
  TextCode code = TextCode::kShiftJis;
  bool told = false;  // reported as a UTF-8 file
};

class LoaderTable : public Loader, public ::testing::WithParamInterface<LoadCase> {};

// Every row at block sizes that split lines, CR LF pairs and characters.
TEST_P(LoaderTable, LoadsEntriesOrRefusesTheFile) {
  const LoadCase& c = GetParam();
  g_.options.Code = c.code;
  for (const std::size_t block_bytes : {1, 7, 65536}) {
    status_.log.clear();
    told_.clear();
    EXPECT_EQ(Load(c.text, block_bytes), c.result) << block_bytes;
    EXPECT_EQ(g_.definitions.LoadedFrom, program_def_);
    EXPECT_EQ(told_, c.told ? Lines{program_def_} : Lines{});
    const int count = static_cast<int>(g_.definitions.Count());
    EXPECT_EQ(status_.log, c.result == 0 ? Lines{LoadLine(count)} : Lines{});
    EXPECT_EQ(c.result == 0 ? Table() : "", c.table) << block_bytes;
  }
}

constexpr TextCode kSjis = TextCode::kShiftJis;

INSTANTIATE_TEST_SUITE_P(
    Texts, LoaderTable,
    ::testing::Values(
        LoadCase{"CommentsBlanksAndMarkers",
                 "; comment\r\n \t \r\n*word*\r\n ;word\r\n*word*\\rsecond\r\nword\\R\r\n"
                 "\x95\x5Cr\r\n"  // 表r: the 0x5C of 表 is no marker
                 "a\\\\rb\\rc\r\nend\\\r\n*\t\nx\x1A**\r\n",
                 0, "*word*\n ;word\n*word*|second\nword\n\x95\x5Cr\na\\|b\\rc\nend\\\n*\t\nx\n"},
        // As vim writes it, with a line added by `echo >>` and one with CR LF.
        LoadCase{"VimLf", "; vim\n*DEBUG*\n\n \t\n*x*\\rtail\n*y*\r\nz\\R\n", 0,
                 "*DEBUG*\n*x*|tail\n*y*\nz\n"},
        LoadCase{"OnlyCommentsAndBlanks", ";only\r\n\t\t\r\n\r\n", frNoDefinitionLines, ""},
        LoadCase{"StarOnly", "ok\r\n* *\r\nok\r\n", frStarOnlyDefinition, ""},
        LoadCase{"EmptyPattern", "\\rword\r\n", frStarOnlyDefinition, ""},
        LoadCase{"AtTheLimit", Many(2000), 0, Many(2000, true)},
        LoadCase{"TooManyFoundBeforeStarOnly", Many(2000) + "*\r\n", frTooManyDefinitionLines, ""},
        // 了 ends in 0x86, a Shift-JIS lead byte: the '\' is its second byte.
        LoadCase{"MarkerAfterKanjiUtf8", "*" RYOU "\\r[" RYOU "]\n", 0, "*" RYOU "|[" RYOU "]\n",
                 TextCode::kUtf8},
        LoadCase{"MarkerAfterKanjiShiftJis", "*" RYOU "\\r[" RYOU "]\n", 0,
                 "*" RYOU "\\r[" RYOU "]\n", kSjis, true},
        // A Shift-JIS run tells of a file all UTF-8 with a character of several bytes.
        LoadCase{"Utf8CrLf4Byte", "x\r\n*\xF0\x9F\x8D\xA3*\r\n", 0, "x\n*\xF0\x9F\x8D\xA3*\n",
                 kSjis, true},
        LoadCase{"Utf8ThenShiftJis", "*\xE6\x8E\xA5*\r\n*\x90\xDA*\r\n", 0,
                 "*\xE6\x8E\xA5*\n*\x90\xDA*\n"},
        LoadCase{"CutShort", "*\xE6\x8E", 0, "*\xE6\x8E\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A file missing, unopenable or unreadable is reported; the log folder's comes first.
TEST_F(Loader, ChoosesTheFileAndReportsThoseNotRead) {
  EXPECT_EQ(LoadDefinitions(engine_, logs_), frNoDefinitionFile);
  std::filesystem::create_directories(dir_.Native("logs/Quillet.def"));
  EXPECT_EQ(LoadDefinitions(engine_, logs_), frDefinitionOpenError);
  EXPECT_EQ(g_.definitions.LoadedFrom, logs_ + "Quillet.def");
  std::filesystem::remove(dir_.Native("logs/Quillet.def"));
  fs_.Add({.op = testing::FsOp::kRead, .path_suffix = "Quillet.def", .nth = 3});
  EXPECT_EQ(Load("one\r\ntwo\r\nthree\r\n", 7), frDefinitionOpenError);
  EXPECT_TRUE(status_.log.empty());
  WriteFile(dir_.Native("logs/Quillet.def"), "folder\r\n");
  ASSERT_EQ(Load("program\r\n"), 0);
  EXPECT_EQ(Table() + g_.definitions.LoadedFrom, "folder\n" + logs_ + "Quillet.def");
  std::filesystem::remove(dir_.Native("logs/Quillet.def"));
  ASSERT_EQ(Load("program\r\n"), 0);
  EXPECT_EQ(Table(), "program\n");
  EXPECT_EQ(status_.log.size(), 2u);
}

// The loaded file is kept, and the engine's one index follows every change of the table.
TEST_F(Loader, KeptFileAndIndexFollowTheTable) {
  ASSERT_EQ(Load("*alpha123*\r\n*beta4567*\r\n"), 0);
  EXPECT_EQ(LoadDefinitions(engine_, logs_), 0);  // not read again: the same path
  EXPECT_EQ(status_.log, Lines{LoadLine(2)});
  DefinitionIndex* const kept = engine_.definition_index.get();
  g_.definitions.Entries[0].Tail = "new tail";
  EXPECT_EQ(&CurrentDefinitionIndex(engine_), kept);
  g_.definitions.Entries[1].Pattern = "*gamma890*";
  EXPECT_EQ(std::pair(First("x beta4567"), First("x gamma890")), std::pair(-1, 1));
  g_.definitions.Entries.push_back({"*beta4567*", ""});
  EXPECT_EQ(First("x beta4567"), 2);
  ASSERT_EQ(Load("*delta321*\r\n"), 0);
  EXPECT_EQ(std::pair(First("x alpha123"), First("x delta321")), std::pair(-1, 0));
  g_.definitions.Entries.clear();
  EXPECT_EQ(First("x delta321"), -1);
}

}  // namespace
}  // namespace quillet
