#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/Engine.h"
#include "core/ResultCodes.h"
#include "platform/DosTime.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/PowerLossFileSystem.h"
#include "tests/support/StatusRecorder.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using enum platform::OpenMode;
using enum RefusalReason;
using testing::DiskImage;
using testing::Dos;
using testing::Fault;
using testing::FileExists;
using testing::PowerLossFileSystem;
using testing::ReadFile;
using testing::WriteFile;
using Op = testing::FsOp;

// An engine over the fault-injecting file layer in a scratch folder, deleting
// "noise*" lines; files stamped 00:00 (as tests may write them) are not skipped.
class ProcessFileTest : public ::testing::Test {
 protected:
  explicit ProcessFileTest(std::size_t block_bytes = kDefaultBlockBytes)
      : engine_{g_, fs_, rec_, dir_.windows() + "\\", block_bytes} {
    g_.options.Skip = g_.options.TimeZ = false;
    g_.definitions.Entries = {{"noise*", ""}};
  }

  // Writes `name` (with `content` unless null) and processes it.
  int Process(const std::string& name, const std::string* content = nullptr) {
    if (content != nullptr) testing::WriteFile(Native(name), *content);
    return ProcessFile(engine_, dir_.Windows(name), before_, after_);
  }
  std::string Native(const std::string& name) const { return dir_.Native(name); }

  testing::ScratchDir dir_;
  Globals g_;
  testing::StatusRecorder rec_;
  testing::FaultyFileSystem fs_;
  Engine engine_;
  std::int64_t before_ = -1, after_ = -1;
};

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

// The text as read: lone CRs made CR LF, a last line without an end given the
// end of the line before (CR LF if none), a final Ctrl-Z dropped.
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

// The log after "noise*" (delete) and "rep*" (" X "): a line ending in a space
// loses its trailing bytes up to 0x20 with Trim, which decides whether it is
// blank; SpLine -1 keeps every blank line, 1 the first of a run (deleted lines
// do not end one), 0 none. Without Trim a replacement loses its outer blanks.
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

// Random texts under every Trim, SpLine, Back (the copy holds the text as read),
// Time (the stamp stays) and TimeZ (moved to 00:00). A Ctrl-Z before the last
// byte hides text a rewrite would drop: the file is refused and left alone.
TEST_P(ProcessFileRandom, RewritesAsTheReferenceDoes) {
  // Cases random texts leave out: a replaced blank line joins the blank run; the
  // first matching definition decides; a NUL after the 500 sniffed bytes is blank.
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

  // あ, 表 (its second byte is a backslash), and a lead byte before a CR among them.
  const char* const pieces[] = {"\n",       "\r\n",     "\r",     "ab",    " ",  "\t",
                                "\x82\xA0", "\x95\x5C", "\x95\r", "noise", "rep"};
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
    o.Time = round / 12 % 2 == 1;
    o.TimeZ = round / 24 % 2 == 1;
    const std::size_t ctrl_z = input.find('\x1A');
    const bool hidden = ctrl_z != std::string::npos && ctrl_z + 1 < input.size();
    WriteFile(Native("app.log"), input);
    SetStamp(Native("app.log"), kPrior);
    ASSERT_EQ(Process("app.log"), hidden ? frReadError : frDone) << ::testing::PrintToString(input);
    if (hidden || o.Time) {
      const std::uint32_t kept = o.TimeZ && !hidden ? platform::AtMidnight(kPrior) : kPrior;
      EXPECT_EQ(GetStamp(Native("app.log")), kept);
    }
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

// Which files are processed at all; a refused file is left as it was, and no
// other file (no copy) is left beside it.
TEST_F(ProcessFileTest, RefusesOwnBinaryAndConflictingFilesAndLeavesThemAlone) {
  const struct {
    const char* file;
    std::optional<std::string> content;  // nullopt: the file does not exist
    int code;
    bool inc = false;
  } cases[] = {
      {"quillet.DEF", std::nullopt, frOwnFile},
      {"sub/QUILLET.ini", std::nullopt, frOwnFile},
      {"photo.Jpg", std::nullopt, frBinaryFile},  // refused without being opened
      {"syslog", "x\r\n", frDone},                // no extension: sniffed, processed
      {"bin.log", std::string(499, 'a') + '\x03', frBinaryFile},
      {"old.QU$", "x\r\n", frTempExtConflict},
      {"app.inc", "x\r\n", frIncExtConflict, true},
  };
  int files = 0;
  for (const auto& c : cases) {
    g_.options.Inc = c.inc;
    EXPECT_EQ(Process(c.file, c.content ? &*c.content : nullptr), c.code) << c.file;
    if (c.code != frDone && c.content) {
      EXPECT_EQ(ReadFile(Native(c.file)), *c.content);
    }
    files += c.content.has_value();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.native()), {}), files);
  }
}

// With no increment file the log is renamed; else a Ctrl-Z in the last 128 bytes
// is cut and the lines appended with their own ends. The former stamp stays.
TEST_F(ProcessFileTest, IncrementRenamesOrAppendsAndKeepsThePriorStamp) {
  g_.options.Inc = true;
  const std::string far = "old\x1A" + std::string(128, 'o');
  const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                       {"old\n", "old\n"},
                                                       {"old\r\n\x1A", "old\r\n"},
                                                       {"old\r\n\x1Ajunk", "old\r\n"},
                                                       {far, far}};
  for (const auto& [existing, kept] : cases) {
    std::filesystem::remove(Native("app.inc"));
    if (!existing.empty()) WriteFile(Native("app.inc"), existing);
    WriteFile(Native("app.log"), "new\nnoise\r\nmore\r\nlast\n");
    SetStamp(Native("app.log"), kPrior);
    ASSERT_EQ(Process("app.log"), frDone);
    EXPECT_FALSE(FileExists(Native("app.log")));
    EXPECT_EQ(ReadFile(Native("app.inc")), kept + "new\nmore\r\nlast\n");
    EXPECT_EQ(GetStamp(Native("app.inc")), kPrior);
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

// Sparse: text and a Ctrl-Z, then zeros up to 4 GiB + 6 bytes, a size a
// 32-bit count would take for 6. The hidden text refuses the file whole.
TEST_F(ProcessFileTest, FileOver4GiBWithEarlyCtrlZIsNotTruncated) {
  const std::int64_t size = (std::int64_t{1} << 32) + 6;
  WriteFile(Native("big.log"), "abc\n\x1A" + std::string(506, 'x'));
  if (truncate(Native("big.log").c_str(), size) != 0) GTEST_SKIP() << "no sparse files here";
  EXPECT_EQ(Process("big.log"), frReadError);
  EXPECT_EQ(std::filesystem::file_size(Native("big.log")), static_cast<std::uintmax_t>(size));
  EXPECT_FALSE(FileExists(Native("big.qu$")));
}

// A logger opening the file for every line waits while it is held and appends
// after each rewrite: every line it wrote is there exactly once.
TEST_F(ProcessFileTest, WriterReopeningForEveryLineLosesNothing) {
  // Without a write lease only other runs are kept out: this writer would lose lines.
  if (!testing::LeasesGranted(dir_)) GTEST_SKIP() << "no file leases here";
  WriteFile(Native("app.log"), "keep 0\r\n");
  const std::string script =
      "for i in $(seq 3000); do printf 'keep %d\\r\\nnoise %d\\r\\n' $i $i >> '" +
      Native("app.log") + "'; done";
  auto writer = std::async(std::launch::async, [&] { return std::system(script.c_str()); });
  int rewrites = 0;
  while (writer.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    const int code = Process("app.log");
    rewrites += code == frDone;
    ASSERT_TRUE(code == frDone || code == frOpenError) << code;
  }
  EXPECT_EQ(writer.get(), 0);
  EXPECT_GT(rewrites, 0) << "never processed while the writer ran";
  ASSERT_EQ(Process("app.log"), frDone);
  std::string expected;
  for (int i = 0; i <= 3000; ++i) expected += "keep " + std::to_string(i) + "\r\n";
  EXPECT_TRUE(ReadFile(Native("app.log")) == expected);
}

// A failing call, or what is found beside the log: the code, the note, the files.
Fault Open(const char* suffix, platform::OpenMode mode, int nth = 1, int error = EIO) {
  return {Op::kOpen, suffix, nth, error, mode};
}
Fault Fail(Op op, const char* suffix, int nth = 1, int error = EIO) {
  return {op, suffix, nth, error};
}
const Fault kNoMarks = Fail(Op::kGetPending, ".qu$", 1, ENOTSUP);
const Fault kLogWrite = Fail(Op::kWrite, ".log");
// A failure whose clean-up fails too: the first is reported.
const std::vector<Fault> kReadThenClose = {Fail(Op::kRead, ".log", 2),
                                           Fail(Op::kClose, ".qu$", 1, EACCES)};
const std::vector<Fault> kSyncThenUnmark = {Fail(Op::kSync, ".qu$"),
                                            Fail(Op::kSetPending, ".qu$", 2, EACCES)};

// o the log (the 500-byte sniff takes one read), p it processed, a partial log,
// s a stale copy longer than o, i an old increment file, j i then p, e empty.
const std::string kKs = std::string(600, 'k') + "\r\n";
constexpr std::string_view kLetters = "opasije";
const std::string kTexts[] = {"noise\r\n" + kKs, kKs, "kk\r\n", std::string(700, 's'), "old\r\n",
                              "old\r\n" + kKs,   ""};
const std::string& Text(char letter) { return kTexts[kLetters.find(letter)]; }

enum Setup { kPlain, kBack, kInc };
struct FaultCase {
  const char* name;
  std::vector<Fault> faults;
  int code;
  // app.log, app.qu$, app.inc afterwards as State() gives them;
  // then m: app.qu$ keeps the mark. app.inc is there before (i) if after.
  const char* files;
  Setup setup = kPlain;
  // The one note's reason, with the errno of the first failure (not the clean-up's).
  std::optional<RefusalReason> reason = std::nullopt;
  // app.log, app.qu$ before; then m: app.qu$ marked; L, Q, I: app.log, .qu$, .inc
  // has a second name; h: app.log held by another run, r: open in another program.
  const char* before = "o-";
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// app.log is read to sniff, copy and append: the nth read, seek or size says which.
const FaultCase kFaults[] = {
    {"HoldRefused", {Open(".log", kHold, 1, EWOULDBLOCK)}, frOpenError, "o--", kPlain, kHeldOpen},
    {"SniffRead", {Fail(Op::kRead, ".log")}, frOpenError, "o--", kPlain, kSystemError},
    {"PriorStampRead", {Fail(Op::kGetTime, ".log")}, frTimeStampError, "p--"},  // nothing to set
    {"Size", {Fail(Op::kSize, ".log", 1, EOVERFLOW)}, frOpenError, "o--", kPlain, kSystemError},
    {"CopySeek", {Fail(Op::kSeek, ".log")}, frOpenError, "o--"},
    {"LeftCopyUnreadable", {Open(".qu$", kRead)}, frTempOpenError, "o--"},
    {"TempLink", {Open(".qu$", kCreateTruncate, 1, ELOOP)}, frTempOpenError, "o--", kPlain, kLink},
    {"CopyReadThenTempClose", kReadThenClose, frOpenError, "oe-", kPlain, kUnknown},
    {"TempWriteNoSpace", {Fail(Op::kWrite, ".qu$", 1, ENOSPC)}, frTempOpenError, "oe-"},
    {"TempMark", {Fail(Op::kSetPending, ".qu$", 1, EDQUOT)}, frTempOpenError, "oo-"},
    // Without marks the run goes on; a later run then refuses a left copy.
    {"TempMarkUnsupported", {Fail(Op::kSetPending, ".qu$", 1, ENOTSUP)}, frDone, "p--"},
    {"TempSync", {Fail(Op::kSync, ".qu$")}, frTempOpenError, "oo-"},
    {"TempSyncThenUnmark", kSyncThenUnmark, frTempOpenError, "oo-m", kPlain, kUnknown},
    // A copy whose name may not survive a power loss is no copy.
    {"TempFolderFlush", {Fail(Op::kSyncParent, ".qu$")}, frTempOpenError, "oo-"},
    // The log is whole, but the copy stays marked: the next run refuses the file.
    {"TempClose", {Fail(Op::kClose, ".qu$")}, frTempOpenError, "oo-m"},
    {"CopyCheckOpen", {Open(".qu$", kReadWrite)}, frTempOpenError, "oo-m"},
    {"FilterSourceOpen", {Open(".qu$", kRead, 2)}, frTempOpenError, "oo-m"},
    {"LogTruncate", {Fail(Op::kTruncate, ".log")}, frWriteError, "o--"},
    {"LogTruncateWithBack", {Fail(Op::kTruncate, ".log")}, frWriteError, "oo-", kBack},
    // Failures after the truncation: the copy is put back under the log's name.
    {"LogWriteRestored", {Fail(Op::kWrite, ".log", 1, ENOSPC)}, frWriteError, "o--"},
    {"TempReadRestored", {Fail(Op::kRead, ".qu$")}, frWriteError, "o--"},
    {"LogSyncRestored", {Fail(Op::kSync, ".log")}, frWriteError, "o--"},
    {"RestoreDeleteFails", {kLogWrite, Fail(Op::kDelete, ".log")}, frRecoveryFailed, "eo-m"},
    {"RestoreRenameFails", {kLogWrite, Fail(Op::kRename, ".qu$")}, frRecoveryFailed, "-o-m"},
    {"SizeAfter", {Fail(Op::kSize, ".log", 2)}, frOpenError, "p--"},
    {"StampSet", {Fail(Op::kSetTime, ".log")}, frTimeStampError, "p--"},
    {"BackKeepsNoMark", {}, frDone, "po-", kBack},
    {"IncRename", {Fail(Op::kRename, ".log")}, frIncOpenError, "p--", kInc},
    {"IncOpen", {Open(".inc", kAppend)}, frIncOpenError, "p-i", kInc},
    {"IncSourceSeek", {Fail(Op::kSeek, ".log", 3)}, frOpenError, "p-i", kInc},
    {"IncWrite", {Fail(Op::kWrite, ".inc", 1, ENOSPC)}, frIncrementError, "p-i", kInc},
    // The log file goes only once its text is on disk in the increment file.
    {"IncSync", {Fail(Op::kSync, ".inc")}, frIncrementError, "p-j", kInc},
    {"IncStamp", {Fail(Op::kSetTime, ".inc")}, frTimeStampError, "--j", kInc},
    // A marked copy may hold the only whole text: neither file is touched.
    {"MarkedCopyIsKept", {}, frTempOpenError, "ao-m", kPlain, kPendingCopy, "aom"},
    {"StaleCopyIsReplaced", {}, frDone, "p--", kPlain, {}, "os"},
    // Without marks a left copy may be a killed run's, unless Back keeps copies.
    {"UnmarkableCopyIsKept", {kNoMarks}, frTempOpenError, "os-", kPlain, kUnmarkedCopy, "os"},
    {"UnmarkableBackupIsReplaced", {kNoMarks}, frDone, "po-", kBack, {}, "os"},
    // A rewrite through one name would change the file's other names too.
    {"LinkedCopyIsRefused", {}, frTempOpenError, "os-", kPlain, kHardLinks, "osQ"},
    {"LinkedIncrementFileIsRefused", {}, frIncOpenError, "p-i", kInc, {}, "o-I"},
    {"LinkedLogIsRefused", {}, frOpenError, "o--", kPlain, kHardLinks, "o-L"},
    {"LogHeldByAnotherRunIsRefused", {}, frOpenError, "o--", kPlain, kHeldOpen, "o-h"},
    {"LogOpenInAnotherProgramIsRefused", {}, frOpenError, "o--", kPlain, kHeldOpen, "o-r"},
};

class ProcessFileFaults : public ProcessFileTest,
                          public ::testing::WithParamInterface<FaultCase> {};

// The letter of the file's text in kTexts; ? another text, - no file.
char State(const std::string& native) {
  if (!FileExists(native)) return '-';
  const std::size_t at = std::find(kTexts, std::end(kTexts), ReadFile(native)) - kTexts;
  return at < std::size(kTexts) ? kLetters[at] : '?';
}

TEST_P(ProcessFileFaults, ReturnsCodeAndLeavesFilesAsTheyShouldBe) {
  const FaultCase& c = GetParam();
  g_.options.Inc = c.setup == kInc;
  g_.options.Back = c.setup == kBack;
  WriteFile(Native("app.log"), Text(c.before[0]));
  ASSERT_EQ(chmod(Native("app.log").c_str(), 0640), 0);
  if (c.before[1] != '-') WriteFile(Native("app.qu$"), Text(c.before[1]));
  const char extra = c.before[2];
  if (extra == 'm') {
    ASSERT_TRUE(testing::SetPendingMark(Native("app.qu$")));
  }
  if (c.files[2] != '-') WriteFile(Native("app.inc"), Text('i'));
  const char* const names[] = {"app.log", "app.qu$", "app.inc"};
  if (const std::size_t at = std::string_view("LQI").find(extra); at < std::size(names)) {
    ASSERT_EQ(link(Native(names[at]).c_str(), Native("other").c_str()), 0);
  }
  for (const Fault& fault : c.faults) fs_.Add(fault);
  std::unique_ptr<platform::File> other_run;
  if (extra == 'h')
    other_run = platform::PosixFileSystem().Open(dir_.Windows("app.log"), kHold).file;
  ASSERT_EQ(other_run != nullptr, extra == 'h');
  // Without a write lease only other runs are kept out.
  if (extra == 'r' && !testing::LeasesGranted(dir_)) GTEST_SKIP() << "no file leases here";
  const int reader = extra == 'r' ? open(Native("app.log").c_str(), O_RDONLY | O_CLOEXEC) : -1;

  EXPECT_EQ(Process("app.log"), c.code);
  other_run.reset();
  if (reader >= 0) close(reader);
  for (std::size_t i = 0; i < c.faults.size(); ++i) EXPECT_TRUE(fs_.Fired(i)) << "fault " << i;
  std::string files;
  for (const char* name : names) files += State(Native(name));
  EXPECT_EQ(files + (testing::HasPendingMark(Native("app.qu$")) ? "m" : ""), c.files);
  EXPECT_FALSE(testing::HasPendingMark(Native("app.log")));
  // A restored log carries the log's mode, as one rewritten in place does.
  struct stat st {};
  if (stat(Native("app.log").c_str(), &st) == 0) {
    EXPECT_EQ(st.st_mode & 07777, 0640u);
  }
  if (!c.reason) return;
  ASSERT_EQ(rec_.notes.size(), 1u);
  const auto& n = rec_.notes[0];
  const std::string other = c.code == frTempOpenError ? dir_.Windows("app.qu$") : "";
  EXPECT_EQ(
      std::tie(n.kind, n.path, n.other, n.code, n.reason),
      std::tuple(RunNote::Kind::kFileRefused, dir_.Windows("app.log"), other, c.code, *c.reason));
  if (!c.faults.empty()) {
    EXPECT_EQ(n.error, *c.reason == kUnmarkedCopy ? 0 : c.faults[0].error);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ProcessFileFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// After a power loss at any call, in every state the disk may hold, the text
// survives whole. It has lines to delete, replace and trim and no last line end.
const std::string kLogText = "start\nnoise 1\nlogin pw=secret\n\n\nend   \nnoise 2\nlast";
const std::string kAsRead = kLogText + "\n";  // what the copy holds
const std::string kProcessed = "start\nlogin (masked)\n\nend\nlast\n";

// Back, Inc, and whether an increment file exists before the run.
class ProcessFilePowerLoss : public ProcessFileTest,
                             public ::testing::WithParamInterface<std::tuple<bool, bool, bool>> {
 protected:
  ProcessFilePowerLoss() {
    g_.options.Trim = g_.options.Time = true;
    g_.options.SpLine = 1;
    std::tie(g_.options.Back, g_.options.Inc, std::ignore) = GetParam();
    g_.definitions.Entries = {{"noise*", ""}, {"login *", "login (masked)"}};
  }

  // Empty when the text is whole in the log (as it was, read or processed), the
  // increment file (after its former text), or the copy, which is then marked.
  std::string Lost(const DiskImage& disk) const {
    const auto data = [&](const char* name) {
      return disk.contains(name) ? disk.at(name).data : "(none)";
    };
    const std::string inc = data("app.inc"), log = data("app.log"), temp = data("app.qu$");
    if (g_.options.Inc) {
      const bool kept =
          inc.starts_with(old_inc_) && kProcessed.starts_with(inc.substr(old_inc_.size()));
      if (!kept && !(inc == "(none)" && old_inc_.empty())) return "the increment file was damaged";
      if (inc == old_inc_ + kProcessed) return "";
    }
    if (log == kLogText || log == kAsRead || log == kProcessed) return "";
    if (temp != kLogText && temp != kAsRead) return "the text is nowhere whole";
    return disk.at("app.qu$").pending ? "" : "the copy holds the text but not the mark";
  }

  const std::string old_inc_ = std::get<2>(GetParam()) ? "old increment text\n" : "";
};

TEST_P(ProcessFilePowerLoss, TextSurvivesAPowerLossAfterAnyCall) {
  WriteFile(Native("app.log"), kLogText);
  if (!old_inc_.empty()) WriteFile(Native("app.inc"), old_inc_);
  const DiskImage before = PowerLossFileSystem::ReadDisk(dir_.native());
  for (int call = 1, calls = 1; call <= calls && !HasFailure(); ++call) {
    PowerLossFileSystem::WriteDisk(dir_.native(), before);
    PowerLossFileSystem fs(dir_.windows(), dir_.native());
    fs.CrashAfter(call);
    Engine engine{g_, fs, rec_, dir_.windows() + "\\"};
    ASSERT_EQ(ProcessFile(engine, dir_.Windows("app.log"), before_, after_), frDone);
    calls = fs.calls();
    for (const DiskImage& image : fs.CrashImages()) {
      EXPECT_EQ(Lost(image), "") << "power lost after call " << call << " of " << calls
                                 << ", the disk holding " << ::testing::PrintToString(image);
    }
  }
  const bool inc = g_.options.Inc;  // the last run went through
  EXPECT_EQ(ReadFile(Native(inc ? "app.inc" : "app.log")), (inc ? old_inc_ : "") + kProcessed);
}

INSTANTIATE_TEST_SUITE_P(BackIncOldInc, ProcessFilePowerLoss,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

}  // namespace
}  // namespace quillet
