// Kills unattended runs at random moments and checks that no log file's
// text is lost: after each kill, and after a following run to completion.
//
// QUILLET_CRASH_KILLS sets the number of kills over all scenarios,
// QUILLET_CRASH_SEED replays a run (the seed is part of every failure), and
// QUILLET_CRASH_RERUN=1/0 switches the following-run check on or off.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/ResultCodes.h"
#include "core/Texts.h"
#include "platform/Sjis.h"
#include "tests/reliability/ProgramRunner.h"
#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ProgramRun;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;
using Clock = std::chrono::steady_clock;

// After the kills, a run to completion with the same settings must not
// destroy the copy that a killed run left as the only complete text.
// QUILLET_CRASH_RERUN=0 leaves that run out.
constexpr bool kRerunCheckByDefault = true;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kDefaultKills = 24;
#else
constexpr int kDefaultKills = 64;
#endif

constexpr int kScenarios = 4;
constexpr int kFiles = 16;
constexpr std::chrono::seconds kRunLimit{120};

int EnvNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

struct LogFile {
  std::string rel;  // native, relative to the tree, e.g. "sub/f3.log"
  std::string name;
  std::string original;
  std::string old_inc;  // the increment file before the run; empty: none
  std::string processed;
  // The text as the copy pass writes it: every line ends in CR LF.
  std::string copied;
};

std::string WithExt(const std::string& rel, const char* ext) {
  return rel.substr(0, rel.size() - 3) + ext;
}

// One generated line: kept, deleted ([DEBUG]), replaced (password=),
// blank, or Japanese with trailing blanks that the run cuts.
std::string Line(std::mt19937& rng, int number) {
  const std::string n = std::to_string(number);
  switch (rng() % 8) {
    case 0:
      return "[DEBUG] cache probe " + n;
    case 1:
      return "login user=u" + n + " password=" + std::to_string(rng() % 1000000);
    case 2:
      return "";
    case 3:
      return "\x90\xDA\x91\xB1 db" + n + "   ";  // 接続
    default:
      return "2026-12-07 02:00:00 [INFO] request " + n + " served in " +
             std::to_string(rng() % 900) + " ms";
  }
}

// 16 files, about 1 MB, a third of them in a subfolder, half with LF and
// half with CR LF line ends; one has a Japanese name and one no line end
// after its last line.
std::vector<LogFile> MakeLogs() {
  static const int kSizes[] = {400, 3000, 20000, 60000, 150000, 250000};
  std::mt19937 rng(7);
  std::vector<LogFile> logs;
  for (int i = 0; i < kFiles; ++i) {
    LogFile log;
    log.name = i == 7 ? "\xE3\x83\xAD\xE3\x82\xB0" + std::to_string(i) + ".log"  // ログ
                      : "f" + std::to_string(i) + ".log";
    log.rel = (i % 3 == 0 ? "sub/" : "") + log.name;
    const int size = kSizes[i % 6] + static_cast<int>(rng() % 1000);
    // Half of them with LF line ends, as Linux programs write them.
    const char* end = i % 2 == 0 ? "\r\n" : "\n";
    for (int n = 0; static_cast<int>(log.original.size()) < size; ++n)
      log.original += Line(rng, n) + end;
    log.original += "last line of " + log.name;
    log.copied = log.original + end;
    if (i != 5) log.original += end;
    if (i % 2 == 0) log.old_inc = "old increment of " + log.name + "\r\n";
    logs.push_back(std::move(log));
  }
  return logs;
}

const std::vector<LogFile>& Originals() {
  static const std::vector<LogFile> logs = MakeLogs();
  return logs;
}

std::optional<std::string> ReadIfThere(const std::string& path) {
  if (!testing::FileExists(path)) return std::nullopt;
  return ReadFile(path);
}

// Where `actual` stops holding `expected`: "line L (byte B): "text"".
std::string FirstMissing(const std::string& expected, const std::optional<std::string>& actual) {
  if (!actual) return "absent";
  std::size_t at = 0;
  while (at < expected.size() && at < actual->size() && expected[at] == (*actual)[at]) ++at;
  if (at == expected.size() && at == actual->size()) return "complete";
  const std::size_t line_start = expected.rfind('\n', at == 0 ? 0 : at - 1);
  const std::size_t from = line_start == std::string::npos || at == 0 ? 0 : line_start + 1;
  const std::string line = expected.substr(from, expected.find_first_of("\r\n", from) - from);
  const long line_number = std::count(expected.begin(), expected.begin() + from, '\n') + 1;
  return std::to_string(actual->size()) + " bytes, missing from line " +
         std::to_string(line_number) + " (byte " + std::to_string(at) + "): \"" +
         platform::SjisToUtf8(line.substr(0, 80)).value_or(line) + "\"";
}

struct Scenario {
  const char* name;
  bool back;
  bool inc;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class CrashHarness : public ::testing::TestWithParam<Scenario> {
 protected:
  CrashHarness() {
    WriteFile(home_.Native("Quillet.def"),
              "; crash harness\r\n*[DEBUG]*\r\n*password=*\\r(masked)\r\n");
    const Scenario& s = GetParam();
    WriteFile(home_.Native("Quillet.ini"),
              std::string("[Option]\r\nTrim=1\r\nSpLine=1\r\nSkip=0\r\nTime=1\r\nTimeZ=0\r\n") +
                  "Back=" + (s.back ? "1" : "0") + "\r\nBackExt=qu$\r\nInc=" + (s.inc ? "1" : "0") +
                  "\r\nIncExt=inc\r\n");
  }

  std::string Tree(const std::string& rel = "") const { return work_.Native("tree/" + rel); }

  void WriteTree() {
    std::filesystem::remove_all(Tree());
    for (const LogFile& log : logs_) {
      WriteFile(Tree(log.rel), log.original);
      if (GetParam().inc && !log.old_inc.empty())
        WriteFile(Tree(WithExt(log.rel, "inc")), log.old_inc);
    }
  }

  std::vector<std::string> Arguments() const { return {"/A", "/R", Tree("*.log")}; }

  // An unkilled run: the processed text of every file, and how long the run
  // takes from its first output line to its end.
  void ReferenceRun() {
    WriteTree();
    ProgramRun run(home_.native(), Arguments());
    ASSERT_TRUE(run.WaitForFirstLine()) << run.err();
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(run.Wait(kRunLimit), 0) << run.out() << run.err();
    processing_ = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    for (LogFile& log : logs_) {
      if (!GetParam().inc) {
        log.processed = ReadFile(Tree(log.rel));
        continue;
      }
      const std::string inc = ReadFile(Tree(WithExt(log.rel, "inc")));
      ASSERT_EQ(inc.substr(0, log.old_inc.size()), log.old_inc) << log.rel;
      log.processed = inc.substr(log.old_inc.size());
    }
    ASSERT_NE(logs_.back().processed, logs_.back().original) << "the definitions changed nothing";
  }

  // Empty when no text of `log` is lost, else what is missing where.
  std::string Lost(const LogFile& log, bool after_rerun, const std::string& out) const {
    const std::optional<std::string> text = ReadIfThere(Tree(log.rel));
    const std::optional<std::string> temp = ReadIfThere(Tree(WithExt(log.rel, "qu$")));
    const std::string where = std::string(GetParam().name) + ", " + log.rel + " (seed " +
                              std::to_string(seed_) + ", kill " + std::to_string(kill_) +
                              " after " + std::to_string(delay_.count()) + " us" +
                              (after_rerun ? ", then a full run" : "") + "): ";
    // A restored log file holds the copy, which ends its last line.
    const auto holds_original = [&](const std::optional<std::string>& file) {
      return file == log.original || file == log.copied;
    };
    bool complete = holds_original(text) || holds_original(temp) || text == log.processed;
    bool in_inc = false;
    std::string inc_state;
    if (GetParam().inc) {
      const std::optional<std::string> inc = ReadIfThere(Tree(WithExt(log.rel, "inc")));
      const std::string& old = log.old_inc;
      if (!old.empty() && (!inc || !inc->starts_with(old)))
        return where + "the increment file lost its former text: " + FirstMissing(old, inc);
      // Appended: nothing, part of the processed text, or a part and then
      // all of it (a killed append done again).
      const std::string added = inc ? inc->substr(old.size()) : "";
      const std::string& p = log.processed;
      const bool whole =
          added.ends_with(p) && p.starts_with(added.substr(0, added.size() - p.size()));
      if (!whole && !p.starts_with(added))
        return where + "the increment file lost or altered the processed text: " +
               FirstMissing(old + p, inc);
      in_inc = whole;
      complete = complete || whole;
      inc_state = ", nor is it appended to the increment file (" + FirstMissing(old + p, inc) + ")";
    }
    if (!complete) {
      return where + "the original text is in neither the log file (" +
             FirstMissing(log.original, text) + ") nor its temporary file (" +
             FirstMissing(log.original, temp) +
             "), and the log file does not hold the processed text (" +
             FirstMissing(log.processed, text) + ")" + inc_state;
    }
    const bool only_in_temp =
        !holds_original(text) && text != log.processed && !in_inc && holds_original(temp);
    const std::string refused =
        log.name + "\t" + *platform::SjisToUtf8(texts::ReportText(frTempOpenError)) + "\n";
    if (after_rerun && only_in_temp && out.find(refused) == std::string::npos)
      return where + "the original text is only in the temporary file (the log file: " +
             FirstMissing(log.original, text) + "), but the run did not report the file as refused";
    return "";
  }

  // Failures of one moment, at most a few.
  void ExpectNothingLost(bool after_rerun, const std::string& out) {
    int failures = 0;
    for (const LogFile& log : logs_) {
      const std::string lost = Lost(log, after_rerun, out);
      if (!lost.empty() && ++failures <= 3) ADD_FAILURE() << lost;
    }
  }

  ScratchDir home_;
  ScratchDir work_;
  std::vector<LogFile> logs_ = Originals();
  std::uint64_t seed_ = 0;
  int kill_ = 0;
  std::chrono::microseconds processing_{0};
  std::chrono::microseconds delay_{0};
};

TEST_P(CrashHarness, NoLogTextIsLostWhenARunIsKilledAtAnyMoment) {
  ASSERT_NO_FATAL_FAILURE(ReferenceRun());
  const char* seed_text = std::getenv("QUILLET_CRASH_SEED");
  seed_ = seed_text != nullptr ? std::strtoull(seed_text, nullptr, 10) : std::random_device{}();
  std::mt19937_64 rng(seed_ + static_cast<std::uint64_t>(GetParam().back) * 2 + GetParam().inc);
  const bool rerun = EnvNumber("QUILLET_CRASH_RERUN", kRerunCheckByDefault) != 0;
  const int kills = std::max(1, EnvNumber("QUILLET_CRASH_KILLS", kDefaultKills) / kScenarios);
  // A little past the reference run's end, so that some kills come late.
  std::uniform_int_distribution<std::int64_t> delay(0, processing_.count() * 6 / 5);

  for (kill_ = 1; kill_ <= kills && !HasFailure(); ++kill_) {
    WriteTree();
    delay_ = std::chrono::microseconds(delay(rng));
    {
      ProgramRun run(home_.native(), Arguments());
      ASSERT_TRUE(run.WaitForFirstLine()) << run.err();
      std::this_thread::sleep_for(delay_);
      run.Kill();
    }
    ExpectNothingLost(false, "");
    if (!rerun || HasFailure()) continue;
    ProgramRun run(home_.native(), Arguments());
    const int status = run.Wait(kRunLimit);
    EXPECT_GE(status, 0) << "status " << status << "\n" << run.out() << run.err();
    ExpectNothingLost(true, run.out());
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, CrashHarness,
                         ::testing::Values(Scenario{"Plain", false, false},
                                           Scenario{"Back", true, false},
                                           Scenario{"Inc", false, true},
                                           Scenario{"BackInc", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
