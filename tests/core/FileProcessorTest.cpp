#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/ResultCodes.h"
#include "platform/DosTime.h"
#include "tests/core/ProcessFileFixture.h"
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

// The text as read: every lone CR made CR LF, a last line without an end
// given the end of the line before it (CR LF when it is the only one), a
// final Ctrl-Z dropped.
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

// What the log should hold with the definitions "noise*" (delete) and
// "rep*" (replace with " X "): a line ending in a space loses its trailing
// blanks (bytes up to 0x20) with Trim on; that cut line decides whether it
// is blank; SpLine -1 keeps every blank line, 1 the first of a run, 0 none;
// deleted lines do not end a run. A replacement is written as stored with
// Trim on and without its outer blanks with Trim off.
std::string Filtered(const std::string& text, bool trim, int spline) {
  std::string out;
  int run = 0;
  for (std::size_t start = 0, lf; (lf = text.find('\n', start)) != std::string::npos;
       start = lf + 1) {
    const std::size_t cr = lf > start && text[lf - 1] == '\r' ? 1 : 0;
    const std::string line = text.substr(start, lf - cr - start);
    if (line.rfind("noise", 0) == 0) continue;
    std::string cut = line;
    if (!cut.empty() && cut.back() == ' ')
      while (!cut.empty() && static_cast<unsigned char>(cut.back()) <= 0x20) cut.pop_back();
    run = spline < 0 || !cut.empty() ? 0 : spline == 0 ? 2 : run + 1;
    if (run > 1) continue;
    out += line.rfind("rep", 0) == 0 ? (trim ? " X " : "X") : trim ? cut : line;
    out += text.substr(lf - cr, cr + 1);
  }
  return out;
}

class ProcessFileRandom : public ProcessFileTest,
                          public ::testing::WithParamInterface<std::size_t> {
 protected:
  ProcessFileRandom() : ProcessFileTest(GetParam()) {}
};

// Random texts of LF, CR LF, lone CR, blanks, Shift-JIS bytes, lines to
// delete or replace and a final Ctrl-Z, under every Trim and SpLine; every
// other run keeps the copy, which holds the whole text as read. A Ctrl-Z
// before the last byte hides text the rewrite would drop: such a file is
// refused (frReadError) and stays as it was.
TEST_P(ProcessFileRandom, RewritesAsTheReferenceDoes) {
  // First the cases the random texts leave out: a replaced blank line joins
  // the blank run; the first matching definition decides; a NUL beyond the
  // binary sniff (the first 500 bytes) starts a line that counts as blank.
  const std::string a498 = std::string(498, 'a') + "\r\n";
  const struct {
    std::vector<DefinitionEntry> defs;
    std::string input, output;
  } fixed[] = {
      {{{"?", " X "}}, "aa\r\n \r\n\r\n \r\nbb\r\n", "aa\r\n X \r\nbb\r\n"},
      {{{"ab*", "one"}, {"a*", ""}, {"*", "two"}}, "abc\r\naxe\r\nzz\r\n", "one\r\ntwo\r\n"},
      {{{"noise*", ""}}, a498 + std::string("\r\n\0zz\r\n", 7), a498 + "\r\n"},
  };
  for (const auto& c : fixed) {
    g_.definitions.Entries = c.defs;
    ASSERT_EQ(Process("app.log", &c.input), frDone);
    EXPECT_EQ(ReadFile(Native("app.log")), c.output);
  }

  const char* const pieces[] = {"\n",
                                "\r\n",
                                "\r",
                                "ab",
                                " ",
                                "\t",
                                "\x82\xA0" /* あ */,
                                "\x95\x5C" /* 表 */,
                                "\x95\r" /* a lead byte, then CR */,
                                "noise",
                                "rep"};
  g_.definitions.Entries = {{"noise*", ""}, {"rep*", " X "}};
  std::minstd_rand random(static_cast<unsigned>(GetParam()));
  for (int round = 0; round < 150; ++round) {
    std::string input;
    const auto length = random() % 40;
    for (unsigned i = 0; i < length; ++i) input += pieces[random() % std::size(pieces)];
    if (random() % 6 == 0) input.insert(random() % (input.size() + 1), "\x1A");
    if (input.empty() || random() % 4 == 0) input += '\x1A';
    ProcessingOptions& o = g_.options;
    o.Trim = round % 2 == 0;
    o.SpLine = round / 2 % 3 - 1;
    o.Back = round / 6 % 2 == 1;
    const std::size_t ctrl_z = input.find('\x1A');
    const bool hidden = ctrl_z != std::string::npos && ctrl_z + 1 < input.size();
    ASSERT_EQ(Process("app.log", &input), hidden ? frReadError : frDone)
        << ::testing::PrintToString(input);
    const std::string read = WithLineEndsCompleted(input);
    const std::string expected = hidden ? input : Filtered(read, o.Trim, o.SpLine);
    EXPECT_EQ(ReadFile(Native("app.log")), expected)
        << ::testing::PrintToString(input) << " Trim " << o.Trim << " SpLine " << o.SpLine;
    EXPECT_EQ(FileExists(Native("app.qu$")), o.Back && !hidden);
    if (hidden) continue;
    EXPECT_EQ(before_, static_cast<std::int64_t>(read.size()));
    EXPECT_EQ(after_, static_cast<std::int64_t>(expected.size()));
    if (o.Back) {
      EXPECT_EQ(ReadFile(Native("app.qu$")), read);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, ProcessFileRandom, ::testing::ValuesIn(kBlockSizes));

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
    {"NoExtensionIsSniffedAndProcessed", "syslog", "x\r\n", frDone},
    {"ControlByteAt500", "bin.log", std::string(499, 'a') + '\x03', frBinaryFile},
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
  } else {
    EXPECT_GE(stamp, timez ? platform::AtMidnight(start) : start);
    EXPECT_LE(stamp, timez ? platform::AtMidnight(end) : end);
  }
  g_.options.Skip = true;  // a stamp moved to 00:00 makes the next run pass the file over
  if (timez) {
    EXPECT_EQ(Process("app.log"), frAutoSkipped);
  }
}

INSTANTIATE_TEST_SUITE_P(Combinations, ProcessFileStamps,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// Without an increment file the log is renamed; otherwise a Ctrl-Z within
// the increment file's last 128 bytes is cut and the text appended, each
// line with its own end.
class ProcessFileInc
    : public ProcessFileTest,
      public ::testing::WithParamInterface<std::tuple<std::optional<std::string>, std::string>> {};

TEST_P(ProcessFileInc, RenamesOrAppendsAndKeepsThePriorStamp) {
  const auto& [existing, kept] = GetParam();
  g_.options.Inc = true;
  if (existing) WriteFile(Native("app.inc"), *existing);
  WriteFile(Native("app.log"), "new\nnoise\r\nmore\r\nlast\n");
  SetStamp(Native("app.log"), kPrior);
  ASSERT_EQ(Process("app.log"), frDone);
  EXPECT_FALSE(FileExists(Native("app.log")));
  EXPECT_EQ(ReadFile(Native("app.inc")), kept + "new\nmore\r\nlast\n");
  EXPECT_EQ(GetStamp(Native("app.inc")), kPrior);
}

INSTANTIATE_TEST_SUITE_P(Existing, ProcessFileInc,
                         ::testing::Values(std::make_tuple(std::nullopt, ""),
                                           std::make_tuple("old\n", "old\n"),
                                           std::make_tuple("old\r\n\x1A", "old\r\n"),
                                           std::make_tuple("old\r\n\x1Ajunk", "old\r\n"),
                                           std::make_tuple("old\x1A" + std::string(128, 'o'),
                                                           "old\x1A" + std::string(128, 'o'))));

// Progress over 1,000 lines whose first makes the copy total exactly 8152
// bytes: the copy total is shown there and when done, the filter pass at its
// start, at line 512 and at line 1,000. An LF line counts as written, one
// byte shorter than a CR LF line.
TEST_F(ProcessFileTest, ShowsProgressAtFixedPoints) {
  for (const std::string end : {"\r\n", "\n"}) {
    std::string input = std::string(8152 - end.size(), 'a') + end;
    for (int i = 1; i < 1000; ++i) input += "line" + end;
    rec_.events.clear();
    ASSERT_EQ(Process("app.log", &input), frDone);
    std::string shown;
    for (const std::string& e : rec_.events)
      if (e != "repaint") shown += e + "|";
    const std::string total = end == "\n" ? "13147" : "14146";
    const std::string middle =
        end == "\n" ? "10707/13147 bytes |gauge:82" : "11218/14146 bytes |gauge:80";
    EXPECT_EQ(shown, "yield|file-started|yield|size:8152 bytes |yield|size:" + total +
                         " bytes |gauge:0|yield|size:" + middle + "|yield|size:" + total + "/" +
                         total + " bytes |gauge:101|");
    EXPECT_EQ(rec_.events.back(), "repaint");
  }
}

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

// A logger that opens the file for every line waits while the file is held
// and appends after the rewrite: processing runs over and over while it
// writes, and afterwards every line it wrote is there exactly once.
TEST_F(ProcessFileTest, WriterReopeningForEveryLineLosesNothing) {
  // Without a write lease only other runs are kept out: this writer would lose lines.
  if (!testing::LeasesGranted(dir_)) GTEST_SKIP() << "no file leases here";
  const std::string log = Native("app.log");
  WriteFile(log, "keep 0\r\n");
  std::atomic<bool> done = false;
  std::thread writer([&] {
    const std::string script =
        "for i in $(seq 3000); do printf 'keep %d\\r\\nnoise %d\\r\\n' $i $i >> '" + log +
        "'; done";
    EXPECT_EQ(std::system(script.c_str()), 0);
    done = true;
  });
  std::string codes;
  while (!done) {
    const int code = Process("app.log");
    codes += code == frDone ? 'd' : code == frOpenError ? 'o' : '?';
  }
  writer.join();
  ASSERT_EQ(Process("app.log"), frDone);
  std::string expected;
  for (int i = 0; i <= 3000; ++i) expected += "keep " + std::to_string(i) + "\r\n";
  EXPECT_TRUE(ReadFile(log) == expected);
  EXPECT_NE(codes.find('d'), std::string::npos) << "never processed while the writer ran";
  EXPECT_EQ(codes.find('?'), std::string::npos) << codes;
}

}  // namespace
}  // namespace quillet
