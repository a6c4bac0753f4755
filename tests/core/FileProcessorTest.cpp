#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "platform/DosTime.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

constexpr std::uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(month) << 21 |
         static_cast<std::uint32_t>(day) << 16 | static_cast<std::uint32_t>(hour) << 11 |
         static_cast<std::uint32_t>(minute) << 5 | static_cast<std::uint32_t>(second / 2);
}
constexpr std::uint32_t kPrior = Dos(2021, 3, 4, 15, 16, 18);

void SetStamp(const std::string& native, std::uint32_t dos) {
  std::time_t t = 0;
  ASSERT_TRUE(platform::DosToUnixTime(dos, t));
  const timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
}

std::uint32_t GetStamp(const std::string& native) {
  struct stat st {};
  std::uint32_t dos = 0;
  EXPECT_EQ(stat(native.c_str(), &st), 0);
  EXPECT_TRUE(platform::UnixToDosTime(st.st_mtime, dos));
  return dos;
}

// The stamp of the current time moved by `seconds`: file times come from a
// coarser clock and may lag a little behind time().
std::uint32_t NowStamp(int seconds) {
  std::uint32_t dos = 0;
  EXPECT_TRUE(platform::UnixToDosTime(std::time(nullptr) + seconds, dos));
  return dos;
}

class ProcessFileTest : public ::testing::Test {
 protected:
  explicit ProcessFileTest(std::size_t block_bytes = kDefaultBlockBytes)
      : engine_{g_, fs_, rec_, dir_.windows() + "\\", block_bytes} {
    g_.options.Skip = false;  // a file written at 00:00:0x must not be skipped
    g_.definitions.Entries = {{"noise*", ""}};
  }

  // Writes `name` (with `content` unless null) and processes it.
  int Process(const std::string& name, const std::string* content = nullptr) {
    if (content != nullptr) WriteFile(dir_.Native(name), *content);
    return ProcessFile(engine_, dir_.Windows(name), before_, after_);
  }
  std::string Native(const std::string& name) const { return dir_.Native(name); }
  std::size_t EntryCount() const {
    auto it = std::filesystem::directory_iterator(dir_.native());
    return static_cast<std::size_t>(std::distance(it, {}));
  }

  ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_;
  std::int64_t before_ = -1;
  std::int64_t after_ = -1;
};

// --- line rules, through several read-buffer sizes ---

struct TextCase {
  const char* name;
  std::string input;
  std::string output;
  std::int64_t size_before = -1;  // -1: the input's size
  bool trim = true;
  int spline = 1;
  std::vector<DefinitionEntry> defs = {{"noise*", ""}};
};

// gtest shows a case by its name rather than as a dump of its bytes.
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

const TextCase kTextCases[] = {
    {"CtrlZAfterLastLineEndIsDropped", "a\r\nb\r\n\x1A", "a\r\nb\r\n", 6},
    {"LastLineGainsLineEnd", "a\r\nb", "a\r\nb\r\n", 6},
    {"CrOnlyLineEndsBecomeCrLf", "a\rb\r", "a\r\nb\r\n", 6},
    {"LfOnlyFileIsOneLineDeletedWhole", "noise 1\nnoise 2\nkeep\n", "", 23},
    {"SingleCtrlZIsEmptyText", "\x1A", "", 0},
    {"BlankLinesAroundDeletedLineAreOneRun", "a\r\n\r\nnoise\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
    {"FirstBlankRunAtStartKeepsOneLine", "\r\n \r\na\r\n", "\r\na\r\n"},
    {"SpLine0DropsSpaceEndedBlanksEvenWithTrimOff", "a\r\n  \r\n \t\r\nb\r\n", "a\r\n \t\r\nb\r\n",
     -1, false, 0},
    {"SpLineMinus1KeepsEveryBlank", "\r\n\r\nnoise\r\n \r\n", "\r\n\r\n\r\n", -1, true, -1},
    {"TrimCutsOnlyAfterFinalSpace", "text \t \r\ntext\t\r\n", "text\r\ntext\t\r\n"},
    {"TrimOffKeepsLineAsRead", "text \t \r\ntext\t\r\n", "text \t \r\ntext\t\r\n", -1, false},
    {"TailWrittenAsStoredWithTrimOn", "rep 1\r\n", " X \r\n", -1, true, 1, {{"rep*", " X "}}},
    {"TailTrimmedWithTrimOff", "rep 1\r\n", "X\r\n", -1, false, 1, {{"rep*", " X "}}},
    {"BlankLineWithTailJoinsBlankRun",
     "aa\r\n \r\n\r\n \r\nbb\r\n",
     "aa\r\n X \r\nbb\r\n",
     -1,
     true,
     1,
     {{"?", " X "}}},
    {"FirstMatchingDefinitionWins",
     "abc\r\naxe\r\nzz\r\n",
     "one\r\ntwo\r\n",
     -1,
     true,
     1,
     {{"ab*", "one"}, {"a*", ""}, {"*", "two"}}},
    // The 501st byte is beyond the binary sniff; the line it starts is blank.
    {"NulAfterFirst500BytesStartsBlankLine",
     std::string(498, 'a') + "\r\n" + std::string("\0zz\r\n", 5), std::string(498, 'a') + "\r\n",
     -1, true, 0},
};

class ProcessFileText : public ProcessFileTest,
                        public ::testing::WithParamInterface<std::tuple<TextCase, std::size_t>> {
 protected:
  ProcessFileText() : ProcessFileTest(std::get<1>(GetParam())) {}
};

TEST_P(ProcessFileText, RewritesLogAsExpected) {
  const TextCase& c = std::get<0>(GetParam());
  g_.options.Trim = c.trim;
  g_.options.SpLine = c.spline;
  g_.definitions.Entries = c.defs;
  ASSERT_EQ(Process("app.log", &c.input), frDone);
  EXPECT_EQ(ReadFile(Native("app.log")), c.output);
  EXPECT_EQ(before_, c.size_before < 0 ? static_cast<std::int64_t>(c.input.size()) : c.size_before);
  EXPECT_EQ(after_, static_cast<std::int64_t>(c.output.size()));
  EXPECT_FALSE(FileExists(Native("app.qu$")));
}

// --- text hidden behind a Ctrl-Z is never dropped ---

struct LossCase {
  const char* name;
  std::string input;
};

void PrintTo(const LossCase& c, std::ostream* os) { *os << c.name; }

const LossCase kLossCases[] = {
    {"TwoCtrlZ", "a\r\n\x1A\x1A"},
    {"LineAfterCtrlZ",
     "a\r\n\x1A"
     "b\r\n"},
    // The copy (12 bytes) is longer than the file (11), yet "xy" would go.
    {"BytesAfterCtrlZWithLongerCopy", "a\rb\rc\rd\r\x1Axy"},
};

class ProcessFileCtrlZLoss
    : public ProcessFileTest,
      public ::testing::WithParamInterface<std::tuple<LossCase, std::size_t>> {
 protected:
  ProcessFileCtrlZLoss() : ProcessFileTest(std::get<1>(GetParam())) {}
};

TEST_P(ProcessFileCtrlZLoss, IsReadErrorAndLeavesNoTemporaryFile) {
  const std::string& input = std::get<0>(GetParam()).input;
  EXPECT_EQ(Process("app.log", &input), frReadError);
  EXPECT_EQ(ReadFile(Native("app.log")), input);
  EXPECT_FALSE(FileExists(Native("app.qu$")));
}

constexpr std::size_t kBlockSizes[] = {1, 7, 65536};

// Test names: the case's name and the read-buffer size.
template <typename Case>
std::string CaseAndBlock(const ::testing::TestParamInfo<std::tuple<Case, std::size_t>>& info) {
  return std::string(std::get<0>(info.param).name) + "_" + std::to_string(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Blocks, ProcessFileText,
                         ::testing::Combine(::testing::ValuesIn(kTextCases),
                                            ::testing::ValuesIn(kBlockSizes)),
                         CaseAndBlock<TextCase>);

INSTANTIATE_TEST_SUITE_P(Blocks, ProcessFileCtrlZLoss,
                         ::testing::Combine(::testing::ValuesIn(kLossCases),
                                            ::testing::ValuesIn(kBlockSizes)),
                         CaseAndBlock<LossCase>);

// --- which files are processed at all ---

struct EligibilityCase {
  const char* name;
  const char* file;
  std::string content;
  bool exists;
  int code;
  bool inc = false;
  bool skip_midnight = false;
};

void PrintTo(const EligibilityCase& c, std::ostream* os) { *os << c.name; }

const EligibilityCase kEligibility[] = {
    // Refused by name alone: the files do not even exist.
    {"OwnDefinitionFile", "quillet.DEF", "", false, frOwnFile},
    {"OwnSettingsFileInAnyFolder", "sub/QUILLET.ini", "", false, frOwnFile},
    {"BinaryExtension", "photo.Jpg", "", false, frBinaryFile},
    {"Zip2IsSniffedAndProcessed", "data.zip2", "x\r\n", true, frDone},
    {"ExIsSniffedAndProcessed", "data.ex", "x\r\n", true, frDone},
    {"ControlByteAt500", "bin.log", std::string(499, 'a') + '\x02', true, frBinaryFile},
    {"EmptyFile", "empty.log", "", true, frEmptySkipped},
    {"MidnightBeforeEmpty", "empty.log", "", true, frAutoSkipped, false, true},
    {"TemporaryExtension", "old.QU$", "x\r\n", true, frTempExtConflict},
    {"IncExtensionWithIncOff", "app.inc", "x\r\n", true, frDone},
    {"IncExtensionWithIncOn", "app.inc", "x\r\n", true, frIncExtConflict, true},
};

class ProcessFileEligibility : public ProcessFileTest,
                               public ::testing::WithParamInterface<EligibilityCase> {};

TEST_P(ProcessFileEligibility, ReturnsCodeAndLeavesRefusedFileAlone) {
  const EligibilityCase& c = GetParam();
  g_.options.Inc = c.inc;
  g_.options.Skip = c.skip_midnight;
  if (c.exists) {
    WriteFile(Native(c.file), c.content);
    SetStamp(Native(c.file), c.skip_midnight ? Dos(2020, 1, 2, 0, 0, 0) : kPrior);
  }
  EXPECT_EQ(Process(c.file), c.code);
  if (c.code != frDone && c.exists) {
    EXPECT_EQ(ReadFile(Native(c.file)), c.content);
  }
  EXPECT_EQ(EntryCount(), c.exists ? 1u : 0u);  // no temporary file left
}

INSTANTIATE_TEST_SUITE_P(Files, ProcessFileEligibility, ::testing::ValuesIn(kEligibility),
                         [](const auto& info) { return std::string(info.param.name); });

// --- time stamps ---

enum class StampAfter { kPrior, kPriorAtMidnight, kRewriteTime, kRewriteDateAtMidnight };
struct StampCase {
  bool time;
  bool timez;
  StampAfter expected;
};

void PrintTo(const StampCase& c, std::ostream* os) {
  *os << "Time " << c.time << " TimeZ " << c.timez;
}

class ProcessFileStamps : public ProcessFileTest,
                          public ::testing::WithParamInterface<StampCase> {};

TEST_P(ProcessFileStamps, FollowTimeAndTimeZ) {
  const StampCase& c = GetParam();
  g_.options.Time = c.time;
  g_.options.TimeZ = c.timez;
  WriteFile(Native("app.log"), "a\r\n");
  SetStamp(Native("app.log"), kPrior);
  const std::uint32_t start = NowStamp(-2);
  ASSERT_EQ(Process("app.log"), frDone);
  const std::uint32_t end = NowStamp(2);
  const std::uint32_t stamp = GetStamp(Native("app.log"));
  switch (c.expected) {
    case StampAfter::kPrior:
      EXPECT_EQ(stamp, kPrior);
      break;
    case StampAfter::kPriorAtMidnight:
      EXPECT_EQ(stamp, platform::AtMidnight(kPrior));
      g_.options.Skip = true;  // the next run passes the file over
      EXPECT_EQ(Process("app.log"), frAutoSkipped);
      break;
    case StampAfter::kRewriteTime:
      EXPECT_GE(stamp, start);
      EXPECT_LE(stamp, end);
      break;
    case StampAfter::kRewriteDateAtMidnight:
      EXPECT_TRUE(platform::IsMidnight(stamp));
      EXPECT_GE(stamp, platform::AtMidnight(start));
      EXPECT_LE(stamp, platform::AtMidnight(end));
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Combinations, ProcessFileStamps,
                         ::testing::Values(StampCase{true, false, StampAfter::kPrior},
                                           StampCase{true, true, StampAfter::kPriorAtMidnight},
                                           StampCase{false, false, StampAfter::kRewriteTime},
                                           StampCase{false, true,
                                                     StampAfter::kRewriteDateAtMidnight}));

// --- backup and increment files ---

TEST_F(ProcessFileTest, BackKeepsTemporaryCopyWithCrLfText) {
  g_.options.Back = true;
  const std::string input = "x\rnoise\r\n y \r\n";
  ASSERT_EQ(Process("app.log", &input), frDone);
  EXPECT_EQ(ReadFile(Native("app.log")), "x\r\n y\r\n");
  EXPECT_EQ(ReadFile(Native("app.qu$")), "x\r\nnoise\r\n y \r\n");
  EXPECT_EQ(Process("app.qu$"), frTempExtConflict);
}

TEST_F(ProcessFileTest, IncRenamesProcessedFileWhenNoIncrementFileExists) {
  g_.options.Inc = true;
  g_.options.TimeZ = false;
  WriteFile(Native("app.log"), "a\r\nnoise\r\n");
  SetStamp(Native("app.log"), kPrior);
  ASSERT_EQ(Process("app.log"), frDone);
  EXPECT_FALSE(FileExists(Native("app.log")));
  EXPECT_EQ(ReadFile(Native("app.inc")), "a\r\n");
  EXPECT_EQ(GetStamp(Native("app.inc")), kPrior);
}

class ProcessFileIncAppend
    : public ProcessFileTest,
      public ::testing::WithParamInterface<std::tuple<std::string, std::string>> {};

TEST_P(ProcessFileIncAppend, CutsCtrlZNearEndThenAppends) {
  const auto& [existing, kept] = GetParam();
  g_.options.Inc = true;
  g_.options.TimeZ = false;
  WriteFile(Native("app.inc"), existing);
  WriteFile(Native("app.log"), "new\r\nnoise\r\n");
  SetStamp(Native("app.log"), kPrior);
  ASSERT_EQ(Process("app.log"), frDone);
  EXPECT_FALSE(FileExists(Native("app.log")));
  EXPECT_EQ(ReadFile(Native("app.inc")), kept + "new\r\n");
  EXPECT_EQ(GetStamp(Native("app.inc")), kPrior);
}

INSTANTIATE_TEST_SUITE_P(
    Existing, ProcessFileIncAppend,
    ::testing::Values(std::make_tuple(std::string("old\r\n"), std::string("old\r\n")),
                      std::make_tuple(std::string("old\r\n\x1A"), std::string("old\r\n")),
                      std::make_tuple(std::string("old\r\n\x1Ajunk"), std::string("old\r\n")),
                      // A Ctrl-Z further than 128 bytes from the end stays.
                      std::make_tuple("old\x1A" + std::string(128, 'o'),
                                      "old\x1A" + std::string(128, 'o'))));

// --- progress shown while working ---

TEST_F(ProcessFileTest, ShowsProgressAtFixedPoints) {
  // 1,000 lines: the first makes the copy total exactly 8152 bytes.
  std::string input = std::string(8150, 'a') + "\r\n";
  for (int i = 1; i < 1000; ++i) input += "line\r\n";
  ASSERT_EQ(Process("app.log", &input), frDone);
  std::vector<std::string> shown;
  for (const std::string& e : rec_.events)
    if (e.rfind("size:", 0) == 0 || e.rfind("gauge:", 0) == 0 || e == "yield") shown.push_back(e);
  const std::vector<std::string> expected = {
      "yield",     "size:",
      "gauge:0",                         // before the checks
      "size:",     "gauge:0",            // before the copy
      "yield",     "size:8152 bytes ",   // copy total a multiple of 8152
      "yield",     "size:14146 bytes ",  // copy done
      "gauge:0",                         // filter pass starts
      "yield",     "size:11218/14146 bytes ",
      "gauge:80",  // line 512
      "yield",     "size:14146/14146 bytes ",
      "gauge:101",  // line 1,000
  };
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(rec_.events.back(), "repaint");
}

// --- links and sizes ---

TEST_F(ProcessFileTest, LinkAtTemporaryNameIsRefusedAndItsTargetUntouched) {
  WriteFile(Native("victim.txt"), "keep me");
  ASSERT_EQ(symlink(Native("victim.txt").c_str(), Native("app.qu$").c_str()), 0);
  const std::string input = "a\r\n";
  EXPECT_EQ(Process("app.log", &input), frTempOpenError);
  EXPECT_EQ(ReadFile(Native("victim.txt")), "keep me");
  EXPECT_EQ(ReadFile(Native("app.log")), input);
}

TEST_F(ProcessFileTest, LinkAtIncrementNameIsRefusedAndItsTargetUntouched) {
  g_.options.Inc = true;
  WriteFile(Native("victim.txt"), "keep me");
  ASSERT_EQ(symlink(Native("victim.txt").c_str(), Native("app.inc").c_str()), 0);
  const std::string input = "a\r\nnoise\r\n";
  EXPECT_EQ(Process("app.log", &input), frIncOpenError);
  EXPECT_EQ(ReadFile(Native("victim.txt")), "keep me");
  EXPECT_EQ(ReadFile(Native("app.log")), "a\r\n");
}

TEST_F(ProcessFileTest, FileOver4GiBWithEarlyCtrlZIsNotTruncated) {
  // Sparse: six bytes of text and a Ctrl-Z, then zeros up to 4 GiB + 6
  // bytes, a size that a 32-bit count would take for 6.
  const std::int64_t size = (std::int64_t{1} << 32) + 6;
  WriteFile(Native("big.log"), "abc\r\n\x1A" + std::string(506, 'x'));
  if (truncate(Native("big.log").c_str(), size) != 0) GTEST_SKIP() << "no sparse files here";
  EXPECT_EQ(Process("big.log"), frReadError);
  EXPECT_EQ(std::filesystem::file_size(Native("big.log")), static_cast<std::uintmax_t>(size));
  EXPECT_FALSE(FileExists(Native("big.qu$")));
}

}  // namespace
}  // namespace quillet
