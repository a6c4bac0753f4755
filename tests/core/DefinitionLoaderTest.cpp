#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::Sjis;
using Entries = std::vector<std::pair<std::string, std::string>>;

// A program folder "prog" and a log folder "logs" in a scratch folder.
class DefinitionLoader : public ::testing::Test {
 protected:
  DefinitionLoader() { std::filesystem::create_directories(dir_.Native("logs")); }

  void WriteProgramDef(std::string_view bytes) {
    testing::WriteFile(dir_.Native("prog/Quillet.def"), bytes);
  }
  void WriteFolderDef(std::string_view bytes) {
    testing::WriteFile(dir_.Native("logs/Quillet.def"), bytes);
  }
  int Load(std::size_t block_bytes = kDefaultBlockBytes) {
    engine_.block_bytes = block_bytes;
    return LoadDefinitions(engine_, logs_);
  }
  Entries Table() const {
    Entries entries;
    for (const DefinitionEntry& e : globals_.definitions.Entries)
      entries.emplace_back(e.Pattern, e.Tail);
    return entries;
  }

  testing::ScratchDir dir_;
  const std::string logs_ = dir_.Windows("logs") + "\\";
  const std::string program_def_ = dir_.Windows("prog/Quillet.def");
  Globals globals_;
  testing::StatusRecorder status_;
  testing::FaultyFileSystem fs_;
  Engine engine_{globals_, fs_, status_, dir_.Windows("prog") + "\\"};
};

class DefinitionLines : public DefinitionLoader,
                        public ::testing::WithParamInterface<std::size_t> {};

TEST_P(DefinitionLines, SplitsCommentsBlanksAndMarkers) {
  WriteProgramDef(
      "; comment\r\n"
      " \t \r\n"
      "*word*\r\n"
      " ;word\r\n"
      "*word*\\rsecond\r\n"
      "word\\R\r\n"
      "\x95\x5Cr\r\n"  // 表r: the 0x5C of 表 is no marker
      "a\\\\rb\\rc\r\n"
      "end\\\r\n"
      "*\t\n"
      "x\x1A"
      "**\r\n");
  ASSERT_EQ(Load(GetParam()), 0);
  EXPECT_EQ(Table(), (Entries{{"*word*", ""},
                              {" ;word", ""},
                              {"*word*", "second"},
                              {"word", ""},
                              {"\x95\x5Cr", ""},
                              {"a\\", "b\\rc"},
                              {"end\\", ""},
                              {"*\t\nx", ""}}));
  EXPECT_EQ(status_.log, std::vector<std::string>{Sjis("定義ファイルから 8行読み込みました.")});
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, DefinitionLines, ::testing::Values(1, 7, 65536));

TEST_F(DefinitionLoader, FileOfLfEndedLinesIsOneDefinition) {
  WriteProgramDef("a\nb\nc\n");
  ASSERT_EQ(Load(), 0);
  EXPECT_EQ(Table(), (Entries{{"a\nb\nc\n", ""}}));
}

TEST_F(DefinitionLoader, RejectsFilesWithoutUsableDefinitions) {
  const std::pair<const char*, int> cases[] = {
      {"", frNoDefinitionLines},
      {";only\r\n\t\t\r\n\r\n", frNoDefinitionLines},
      {"ok\r\n* *\r\nok\r\n", frStarOnlyDefinition},
      {"\\rword\r\n", frStarOnlyDefinition},  // empty pattern
      {"\x1A*\r\n", frNoDefinitionLines},
  };
  for (const auto& [text, code] : cases) {
    globals_.definitions.LoadedFrom = kLoadedFromDummy;
    WriteProgramDef(text);
    EXPECT_EQ(Load(), code) << text;
    EXPECT_EQ(globals_.definitions.LoadedFrom, program_def_);
  }
  EXPECT_TRUE(status_.log.empty());
}

TEST_F(DefinitionLoader, AtMost2000Definitions) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "; note\r\nline" + std::to_string(i) + "\r\n\r\n";
  WriteProgramDef(text);
  ASSERT_EQ(Load(), 0);
  EXPECT_EQ(globals_.definitions.Count(), 2000);
  EXPECT_EQ(status_.log.back(), Sjis("定義ファイルから 2000行読み込みました."));

  globals_.definitions.LoadedFrom = kLoadedFromDummy;
  WriteProgramDef(text + "*\r\n");  // too many is found before star-only
  EXPECT_EQ(Load(), frTooManyDefinitionLines);
  EXPECT_EQ(status_.log.size(), 1u);
}

TEST_F(DefinitionLoader, MissingUnopenableAndUnreadableFiles) {
  EXPECT_EQ(Load(), frNoDefinitionFile);

  std::filesystem::create_directories(dir_.Native("logs/Quillet.def"));
  EXPECT_EQ(Load(), frDefinitionOpenError);
  EXPECT_EQ(globals_.definitions.LoadedFrom, logs_ + "Quillet.def");
  std::filesystem::remove(dir_.Native("logs/Quillet.def"));

  WriteProgramDef("one\r\ntwo\r\nthree\r\n");
  fs_.Add({.op = testing::FsOp::kRead, .path_suffix = "Quillet.def", .nth = 3});
  EXPECT_EQ(Load(7), frDefinitionOpenError);
  EXPECT_TRUE(status_.log.empty());
}

TEST_F(DefinitionLoader, ReusesTheLoadedFileUntilTheRunResetsIt) {
  WriteProgramDef("*a*\r\n*b*\r\n*c*\r\n");
  ASSERT_EQ(Load(), 0);
  EXPECT_EQ(status_.log, std::vector<std::string>{Sjis("定義ファイルから 3行読み込みました.")});

  WriteProgramDef("*\r\n");  // not read: the same path is loaded
  EXPECT_EQ(Load(), 0);
  EXPECT_EQ(globals_.definitions.Count(), 3);
  EXPECT_EQ(status_.log.size(), 1u);

  globals_.definitions.LoadedFrom = kLoadedFromDummy;
  EXPECT_EQ(Load(), frStarOnlyDefinition);
}

TEST_F(DefinitionLoader, FolderFilePreferredOverProgramFile) {
  WriteProgramDef("program\r\n");
  WriteFolderDef("folder\r\n");
  ASSERT_EQ(Load(), 0);
  EXPECT_EQ(Table(), (Entries{{"folder", ""}}));
  EXPECT_EQ(globals_.definitions.LoadedFrom, logs_ + "Quillet.def");

  std::filesystem::create_directories(dir_.Native("logs/sub"));
  ASSERT_EQ(LoadDefinitions(engine_, dir_.Windows("logs/sub") + "\\"), 0);
  EXPECT_EQ(Table(), (Entries{{"program", ""}}));
  EXPECT_EQ(globals_.definitions.LoadedFrom, program_def_);
  EXPECT_EQ(status_.log.size(), 2u);
}

}  // namespace
}  // namespace quillet
