#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
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

using testing::Dos;
using testing::FileExists;
using testing::ReadFile;
using testing::WriteFile;

constexpr std::uint32_t kPrior = Dos(2021, 3, 4, 15, 16, 18);
constexpr std::size_t kBlockSizes[] = {1, 7, 65536};

void SetStamp(const std::string& native, std::uint32_t dos) {
  std::time_t t = 0;
  ASSERT_TRUE(platform::DosToUnixTime(dos, t));
  testing::SetFileTime(native, t);
}

std::uint32_t GetStamp(const std::string& native) {
  struct stat st {};
  std::uint32_t dos = 0;
  EXPECT_EQ(stat(native.c_str(), &st), 0);
  EXPECT_TRUE(platform::UnixToDosTime(st.st_mtime, dos));
  return dos;
}

// The stamp of now moved by `seconds`: file times come from a coarser clock.
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
    if (content != nullptr) WriteFile(Native(name), *content);
    return ProcessFile(engine_, dir_.Windows(name), before_, after_);
  }
  std::string Native(const std::string& name) const { return dir_.Native(name); }

  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_;
  std::int64_t before_ = -1;
  std::int64_t after_ = -1;
};

// Line rules, through several read-buffer sizes. With frReadError (text
// hidden behind a Ctrl-Z) the file must stay as it was.
struct TextOptions {
  int spline = 1;
  bool trim = true;
  std::vector<DefinitionEntry> defs = {{"noise*", ""}};
};
struct TextCase {
  const char* name;
  std::string input;
  std::string output;
  TextOptions options = {};
  std::int64_t before = -1;  // -1: the input's size
  int code = frDone;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

const std::vector<DefinitionEntry> kTail = {{"rep*", " X "}}, kBlankTail = {{"?", " X "}};
const std::vector<DefinitionEntry> kInOrder = {{"ab*", "one"}, {"a*", ""}, {"*", "two"}};
const std::string kA498 = std::string(498, 'a') + "\r\n";
const TextCase kTextCases[] = {
    {"CtrlZAfterLastLineEndIsDropped", "a\r\nb\r\n\x1A", "a\r\nb\r\n", {}, 6},
    {"LastLineGainsLineEnd", "a\r\nb", "a\r\nb\r\n", {}, 6},
    {"CrOnlyLineEndsBecomeCrLf", "a\rb\r", "a\r\nb\r\n", {}, 6},
    {"LfLinesAreLinesAndKeepLf", "noise 1\nnoise 2\nkeep\n", "keep\n", {}, 21},
    {"EachLineKeepsItsOwnEnd", "a\r\nb\nc\rd", "a\r\nb\nc\r\nd\r\n", {}, 11},
    {"LastLineTakesTheEndBeforeIt", "a\nb", "a\nb\n", {}, 4},
    {"OnlyLineWithoutEndGetsCrLf", "a", "a\r\n", {}, 3},
    {"CtrlZAfterLfLine", "a\nb\x1A", "a\nb\n", {}, 4},
    {"TailTakesTheEndOfItsLine", "rep 1\nx\r\nrep 2\r\n", " X \nx\r\n X \r\n", {1, true, kTail}},
    {"BlankLfLinesCollapseKeepingTheirEnd", "a\n\n\r\n \nb\n", "a\n\nb\n"},
    {"SingleCtrlZIsEmptyText", "\x1A", "", {}, 0},
    {"BlankLinesAroundDeletedLineAreOneRun", "a\r\n\r\nnoise\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
    {"FirstBlankRunAtStartKeepsOneLine", "\r\n \r\na\r\n", "\r\na\r\n"},
    {"SpLine0DropsSpaceEndedBlanks", "a\r\n  \r\n \t\r\nb\r\n", "a\r\n \t\r\nb\r\n", {0, false}},
    {"SpLineMinus1KeepsEveryBlank", "\r\n\r\nnoise\r\n \r\n", "\r\n\r\n\r\n", {-1}},
    {"TrimCutsOnlyAfterFinalSpace", "text \t \r\ntext\t\r\n", "text\r\ntext\t\r\n"},
    {"TrimOffKeepsLineAsRead", "text \t \r\ntext\t\r\n", "text \t \r\ntext\t\r\n", {1, false}},
    {"TailWrittenAsStoredWithTrimOn", "rep 1\r\n", " X \r\n", {1, true, kTail}},
    {"TailTrimmedWithTrimOff", "rep 1\r\n", "X\r\n", {1, false, kTail}},
    {"BlankTailJoinsRun",
     "aa\r\n \r\n\r\n \r\nbb\r\n",
     "aa\r\n X \r\nbb\r\n",
     {1, true, kBlankTail}},
    {"FirstMatchingDefinitionWins", "abc\r\naxe\r\nzz\r\n", "one\r\ntwo\r\n", {1, true, kInOrder}},
    // The 501st byte is beyond the binary sniff; the line it starts is blank.
    {"NulAfterFirst500Bytes", kA498 + std::string("\0zz\r\n", 5), kA498, {0}},
    {"TwoCtrlZ", "a\r\n\x1A\x1A", "a\r\n\x1A\x1A", {}, -1, frReadError},
    {"LineAfterCtrlZ", "a\r\n\032b\r\n", "a\r\n\032b\r\n", {}, -1, frReadError},  // \032: Ctrl-Z
    // The copy (12 bytes) is longer than the file (11), yet "xy" would go.
    {"BytesAfterCtrlZ", "a\rb\rc\rd\r\x1Axy", "a\rb\rc\rd\r\x1Axy", {}, -1, frReadError},
};

class ProcessFileText : public ProcessFileTest,
                        public ::testing::WithParamInterface<std::tuple<TextCase, std::size_t>> {
 protected:
  ProcessFileText() : ProcessFileTest(std::get<1>(GetParam())) {}
};

TEST_P(ProcessFileText, RewritesLogAsExpected) {
  const TextCase& c = std::get<0>(GetParam());
  g_.options.Trim = c.options.trim;
  g_.options.SpLine = c.options.spline;
  g_.definitions.Entries = c.options.defs;
  ASSERT_EQ(Process("app.log", &c.input), c.code);
  EXPECT_EQ(ReadFile(Native("app.log")), c.output);
  EXPECT_FALSE(FileExists(Native("app.qu$")));
  if (c.code != frDone) return;
  EXPECT_EQ(before_, c.before < 0 ? static_cast<std::int64_t>(c.input.size()) : c.before);
  EXPECT_EQ(after_, static_cast<std::int64_t>(c.output.size()));
}

INSTANTIATE_TEST_SUITE_P(Blocks, ProcessFileText,
                         ::testing::Combine(::testing::ValuesIn(kTextCases),
                                            ::testing::ValuesIn(kBlockSizes)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::to_string(std::get<1>(info.param));
                         });

// Which files are processed at all; a refused file is left as it was.
struct EligibilityCase {
  const char* name;
  const char* file;
  std::optional<std::string> content;  // nullopt: the file does not exist
  int code;
  bool inc = false;
  bool skip_midnight = false;
};

void PrintTo(const EligibilityCase& c, std::ostream* os) { *os << c.name; }

const EligibilityCase kEligibility[] = {
    {"OwnDefinitionFile", "quillet.DEF", std::nullopt, frOwnFile},
    {"OwnSettingsFileInAnyFolder", "sub/QUILLET.ini", std::nullopt, frOwnFile},
    {"BinaryExtensionWithoutOpening", "photo.Jpg", std::nullopt, frBinaryFile},
    {"Zip2IsSniffedAndProcessed", "data.zip2", "x\r\n", frDone},
    {"ExIsSniffedAndProcessed", "data.ex", "x\r\n", frDone},
    {"ControlByteAt500", "bin.log", std::string(499, 'a') + '\x03', frBinaryFile},
    {"EmptyFile", "empty.log", "", frEmptySkipped},
    {"MidnightBeforeEmpty", "empty.log", "", frAutoSkipped, false, true},
    {"TemporaryExtension", "old.QU$", "x\r\n", frTempExtConflict},
    {"IncExtensionWithIncOff", "app.inc", "x\r\n", frDone},
    {"IncExtensionWithIncOn", "app.inc", "x\r\n", frIncExtConflict, true},
};

class ProcessFileEligibility : public ProcessFileTest,
                               public ::testing::WithParamInterface<EligibilityCase> {};

TEST_P(ProcessFileEligibility, ReturnsCodeAndLeavesRefusedFileAlone) {
  const EligibilityCase& c = GetParam();
  g_.options.Inc = c.inc;
  g_.options.Skip = c.skip_midnight;
  if (c.content) {
    WriteFile(Native(c.file), *c.content);
    SetStamp(Native(c.file), c.skip_midnight ? Dos(2020, 1, 2, 0, 0, 0) : kPrior);
  }
  EXPECT_EQ(Process(c.file), c.code);
  if (c.code != frDone && c.content) {
    EXPECT_EQ(ReadFile(Native(c.file)), *c.content);
  }
  // Nothing else (no temporary file) is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.native()), {}),
            c.content ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ProcessFileEligibility, ::testing::ValuesIn(kEligibility),
                         [](const auto& info) { return std::string(info.param.name); });

// Time and TimeZ: keep or renew the stamp, and with TimeZ move it to 00:00.
class ProcessFileStamps : public ProcessFileTest,
                          public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(ProcessFileStamps, FollowTimeAndTimeZ) {
  const auto [time, timez] = GetParam();
  g_.options.Time = time;
  g_.options.TimeZ = timez;
  WriteFile(Native("app.log"), "a\r\n");
  SetStamp(Native("app.log"), kPrior);
  const std::uint32_t start = NowStamp(-2);
  ASSERT_EQ(Process("app.log"), frDone);
  const std::uint32_t end = NowStamp(2);
  const std::uint32_t stamp = GetStamp(Native("app.log"));
  if (time) {
    EXPECT_EQ(stamp, timez ? platform::AtMidnight(kPrior) : kPrior);
  } else if (timez) {
    EXPECT_TRUE(platform::IsMidnight(stamp));
    EXPECT_GE(stamp, platform::AtMidnight(start));
    EXPECT_LE(stamp, platform::AtMidnight(end));
  } else {
    EXPECT_GE(stamp, start);
    EXPECT_LE(stamp, end);
  }
  g_.options.Skip = true;  // a stamp moved to 00:00 makes the next run pass the file over
  if (timez) {
    EXPECT_EQ(Process("app.log"), frAutoSkipped);
  }
}

INSTANTIATE_TEST_SUITE_P(Combinations, ProcessFileStamps,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

TEST_F(ProcessFileTest, BackKeepsTemporaryCopyWithCrLfText) {
  g_.options.Back = true;
  const std::string input = "x\rnoise\r\n y \r\n";
  ASSERT_EQ(Process("app.log", &input), frDone);
  EXPECT_EQ(ReadFile(Native("app.log")), "x\r\n y\r\n");
  EXPECT_EQ(ReadFile(Native("app.qu$")), "x\r\nnoise\r\n y \r\n");
}

// Without an increment file the log is renamed; otherwise a Ctrl-Z within
// the increment file's last 128 bytes is cut and the text appended.
class ProcessFileInc
    : public ProcessFileTest,
      public ::testing::WithParamInterface<std::tuple<std::optional<std::string>, std::string>> {};

TEST_P(ProcessFileInc, RenamesOrAppendsAndKeepsThePriorStamp) {
  const auto& [existing, kept] = GetParam();
  g_.options.Inc = true;
  g_.options.TimeZ = false;
  if (existing) WriteFile(Native("app.inc"), *existing);
  WriteFile(Native("app.log"), "new\r\nnoise\r\n");
  SetStamp(Native("app.log"), kPrior);
  ASSERT_EQ(Process("app.log"), frDone);
  EXPECT_FALSE(FileExists(Native("app.log")));
  EXPECT_EQ(ReadFile(Native("app.inc")), kept + "new\r\n");
  EXPECT_EQ(GetStamp(Native("app.inc")), kPrior);
}

INSTANTIATE_TEST_SUITE_P(Existing, ProcessFileInc,
                         ::testing::Values(std::make_tuple(std::nullopt, ""),
                                           std::make_tuple("old\r\n", "old\r\n"),
                                           std::make_tuple("old\r\n\x1A", "old\r\n"),
                                           std::make_tuple("old\r\n\x1Ajunk", "old\r\n"),
                                           std::make_tuple("old\x1A" + std::string(128, 'o'),
                                                           "old\x1A" + std::string(128, 'o'))));

TEST_F(ProcessFileTest, ShowsProgressAtFixedPoints) {
  // 1,000 lines: the first makes the copy total exactly 8152 bytes.
  std::string input = std::string(8150, 'a') + "\r\n";
  for (int i = 1; i < 1000; ++i) input += "line\r\n";
  ASSERT_EQ(Process("app.log", &input), frDone);
  std::string shown;
  for (const std::string& e : rec_.events)
    if (e.rfind("size:", 0) == 0 || e.rfind("gauge:", 0) == 0 || e == "yield" ||
        e == "file-started")
      shown += e + "|";
  // Started once, before the checks and the copy; the copy total at 8152
  // bytes and when done; the filter pass at its start, line 512 and line
  // 1,000.
  EXPECT_EQ(
      shown,
      "yield|file-started|yield|size:8152 bytes |yield|size:14146 bytes |"
      "gauge:0|yield|size:11218/14146 bytes |gauge:80|yield|size:14146/14146 bytes |gauge:101|");
  EXPECT_EQ(rec_.events.back(), "repaint");
}

TEST_F(ProcessFileTest, CopyCaptionCountsLfLinesAsWritten) {
  // The first line makes the copy total exactly 8152 bytes with its LF.
  std::string input = std::string(8151, 'a') + "\n";
  for (int i = 1; i < 1000; ++i) input += "line\n";
  ASSERT_EQ(Process("app.log", &input), frDone);
  std::vector<std::string> captions;
  for (const std::string& e : rec_.events)
    if (e.rfind("size:", 0) == 0 && e.size() > 5) captions.push_back(e);
  EXPECT_EQ(captions,
            (std::vector<std::string>{"size:8152 bytes ", "size:13147 bytes ",
                                      "size:10707/13147 bytes ", "size:13147/13147 bytes "}));
}

TEST_F(ProcessFileTest, IncrementFileKeepsEachLinesEnd) {
  g_.options.Inc = true;
  WriteFile(Native("app.inc"), "old\n");
  const std::string input = "new\nnoise\r\nmore\r\nlast\n";
  ASSERT_EQ(Process("app.log", &input), frDone);
  EXPECT_EQ(ReadFile(Native("app.inc")), "old\nnew\nmore\r\nlast\n");
}

// Random texts of LF, CR LF, lone CR, Shift-JIS bytes and a final Ctrl-Z
// that no definition matches, Trim off, SpLine -1: the log file (and the
// copy kept with Back) is the input with every lone CR made CR LF and a
// last line without an end given the end of the line before it (CR LF when
// it is the only one), the final Ctrl-Z dropped.
std::string WithLineEndsCompleted(std::string text) {
  if (!text.empty() && text.back() == '\x1A') text.pop_back();
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) out += '\n';
  }
  if (!out.empty() && out.back() != '\n') {
    const std::size_t lf = out.rfind('\n');
    out += lf == std::string::npos || (lf > 0 && out[lf - 1] == '\r') ? "\r\n" : "\n";
  }
  return out;
}

class ProcessFileLineEnds : public ProcessFileTest,
                            public ::testing::WithParamInterface<std::size_t> {
 protected:
  ProcessFileLineEnds() : ProcessFileTest(GetParam()) {}
};

TEST_P(ProcessFileLineEnds, KeepEveryLineAsItCame) {
  const char* const pieces[] = {
      "\n",    "\r\n", "\r", "ab", " ", "\x82\xA0" /* あ */, "\x95\x5C" /* 表 */,
      "\x95\r" /* a lead byte, then CR */};
  g_.options.Trim = false;
  g_.options.SpLine = -1;
  g_.definitions.Entries = {{"*never*", ""}};
  std::minstd_rand random(static_cast<unsigned>(GetParam()));
  for (int round = 0; round < 60; ++round) {
    std::string input;
    const auto length = random() % 40 + 1;
    for (unsigned i = 0; i < length; ++i) input += pieces[random() % std::size(pieces)];
    if (random() % 4 == 0) input += '\x1A';
    g_.options.Back = round % 2 == 1;
    ASSERT_EQ(Process("app.log", &input), frDone) << ::testing::PrintToString(input);
    const std::string expected = WithLineEndsCompleted(input);
    EXPECT_EQ(ReadFile(Native("app.log")), expected) << ::testing::PrintToString(input);
    EXPECT_EQ(before_, static_cast<std::int64_t>(expected.size()));
    if (g_.options.Back) {
      EXPECT_EQ(ReadFile(Native("app.qu$")), expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, ProcessFileLineEnds, ::testing::ValuesIn(kBlockSizes));

TEST_F(ProcessFileTest, LinksAtTemporaryOrIncrementNameAreRefusedAndTargetsUntouched) {
  WriteFile(Native("victim.txt"), "keep me");
  for (const char* link : {"app.qu$", "app.inc"})
    ASSERT_EQ(symlink(Native("victim.txt").c_str(), Native(link).c_str()), 0);
  const std::string input = "a\r\nnoise\r\n";
  EXPECT_EQ(Process("app.log", &input), frTempOpenError);
  EXPECT_EQ(ReadFile(Native("app.log")), input);
  ASSERT_EQ(unlink(Native("app.qu$").c_str()), 0);
  g_.options.Inc = true;
  EXPECT_EQ(Process("app.log"), frIncOpenError);
  EXPECT_EQ(ReadFile(Native("app.log")), "a\r\n");
  EXPECT_EQ(ReadFile(Native("victim.txt")), "keep me");
}

TEST_F(ProcessFileTest, FileOver4GiBWithEarlyCtrlZIsNotTruncated) {
  // Sparse: text and a Ctrl-Z, then zeros up to 4 GiB + 6 bytes, a size a
  // 32-bit count would take for 6.
  const std::int64_t size = (std::int64_t{1} << 32) + 6;
  WriteFile(Native("big.log"), "abc\r\n\x1A" + std::string(506, 'x'));
  if (truncate(Native("big.log").c_str(), size) != 0) GTEST_SKIP() << "no sparse files here";
  EXPECT_EQ(Process("big.log"), frReadError);
  EXPECT_EQ(std::filesystem::file_size(Native("big.log")), static_cast<std::uintmax_t>(size));
  EXPECT_FALSE(FileExists(Native("big.qu$")));
}

}  // namespace
}  // namespace quillet
