// The built program, run unattended on real folders as a shell user or cron
// runs it: the files it leaves, its standard output and error, and its exit
// status.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <set>
#include <tuple>

#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadFile;
using testing::ScratchDir;
using testing::Sjis;
using testing::WriteFile;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

class Program : public ::testing::Test {
 protected:
  // The program is <build>/ui/quillet, beside the test program's folder; its
  // shipped sample is the program folder's Quillet.def (an unattended run
  // that has to make it from the sample stops there).
  Program() {
    WriteFile(home.Native("Quillet.smp"), ReadFile(program_folder_ + "/Quillet.smp"));
    WriteFile(home.Native("Quillet.def"), ReadFile(program_folder_ + "/Quillet.smp"));
    env.insert("QUILLET_HEADLESS", "1");
    SetHome(home.native());
  }
  void SetHome(const std::string& folder) {
    env.insert("QUILLET_HOME", QString::fromStdString(folder));
  }
  void Start(const QStringList& arguments, const std::string& current_dir = {}) {
    process.setProcessEnvironment(env);
    if (!current_dir.empty()) process.setWorkingDirectory(QString::fromStdString(current_dir));
    process.start(QString::fromStdString(program_folder_ + "/quillet"), arguments);
    ASSERT_TRUE(process.waitForStarted()) << "build the quillet target first";
  }
  Result Finish() {
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
  }
  Result Run(const QStringList& arguments, const std::string& current_dir = {}) {
    Start(arguments, current_dir);
    return Finish();
  }
  std::string Logs(const std::string& name = "") const { return work.Native("logs/" + name); }
  QString LogsQ(const std::string& name) const { return QString::fromStdString(Logs(name)); }

  ScratchDir home;
  ScratchDir work;
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

 private:
  const std::string program_folder_ =
      QCoreApplication::applicationDirPath().toStdString() + "/../ui";
};

const std::string kLog = "[DEBUG] x\r\nkeep\r\n";
const std::string kDone = "keep\r\n";

TEST_F(Program, CompactsATreeAndReportsOnStandardOutput) {
  WriteFile(Logs("app.log"), Sjis("開始\r\n[DEBUG] x=1\r\n09:00 heartbeat ok\r\n"
                                  "接続を開始しました (詳細: db01)\r\n"));
  WriteFile(Logs("sub/b.log"), "[TRACE] y\r\nend\r\n");
  const Result r = Run({"/A", "/R", LogsQ("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Logs("app.log")), Sjis("開始\r\n接続を開始しました\r\n"));
  EXPECT_EQ(ReadFile(Logs("sub/b.log")), "end\r\n");
  EXPECT_EQ(r.out.rfind("[ 通常の処理を行います ]\n", 0), 0u) << r.out;
  EXPECT_THAT(r.out, HasSubstr("定義ファイルから 4行読み込みました.\n"));
  EXPECT_THAT(r.out, HasSubstr("\nb.log\t(16 to 5 bytes / 31%)\n"));
  EXPECT_TRUE(r.out.ends_with("\n\n終了しました.\n")) << r.out;
  EXPECT_EQ(r.err, "quillet: settings: " + home.native() + "/Quillet.ini (not found: defaults)\n" +
                       "quillet: definitions: " + home.native() + "/Quillet.def\n");
  EXPECT_THAT(ReadFile(home.Native("Quillet.ini")), HasSubstr("[Option]\r\n"));
}

// An unattended run loads no Qt at all: a platform plugin that cannot load
// does not stop it, and neither a plugin nor a Qt library is opened (the
// loader's trace on standard error names every library it opens).
TEST_F(Program, UnattendedRunNeedsNoWindowSystem) {
  env.insert("QT_QPA_PLATFORM", "bogus");
  env.insert("LD_DEBUG", "files");
  WriteFile(Logs("a.log"), kLog);
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
  EXPECT_THAT(r.err, Not(HasSubstr("/platforms/")));
  EXPECT_THAT(r.err, Not(HasSubstr("libQt6")));
}

// What each run leaves in standard output and error, and its status; only
// the read-only a.log is ever matched.
TEST_F(Program, ExitStatusesTellWhatHappened) {
  WriteFile(Logs("a.log"), "[DEBUG]\r\n");
  chmod(Logs("a.log").c_str(), 0444);
  const std::tuple<QStringList, int, const char*, std::string> runs[] = {
      {{"/S", LogsQ("*.log")}, 1, "◆◆ 1個のファイルでエラーがありました ◆◆\n", ""},
      {{"/S", LogsQ("*.txt")}, 2, "終了しました.", "ファイルが見つかりません。"},
      {{"/S", LogsQ("*.*")}, 2, "◆ キャンセルしました ◆", "Quillet ERROR !"},
      {{"/A", QString::fromStdString(work.Native("nowhere/*.log"))},
       2,
       "",
       "quillet: folder not found: " + work.Native("nowhere/") + "\n"},
      {{}, 2, "", "QUILLET_HEADLESS"}};
  for (const auto& [arguments, status, in_output, in_errors] : runs) {
    const Result r = Run(arguments);
    EXPECT_EQ(r.status, status) << arguments.join(' ').toStdString();
    EXPECT_THAT(r.out, HasSubstr(in_output));
    EXPECT_THAT(r.err, HasSubstr(in_errors));
  }
  EXPECT_EQ(ReadFile(Logs("a.log")), "[DEBUG]\r\n");

  for (const char* name : {"Quillet.def", "Quillet.smp"})
    ASSERT_EQ(unlink(home.Native(name).c_str()), 0);
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("quillet: no definition file: neither " + Logs("Quillet.def") +
                               " nor " + home.Native("Quillet.def") + " exists\n"));
}

// Quillet.def as vim writes it on a UTF-8 desktop: one warning on standard
// error, and the run goes on.
TEST_F(Program, DefinitionsSavedAsUtf8AreWarnedOfOnStandardError) {
  WriteFile(home.Native("Quillet.def"), "[DEBUG]*\n*\xE6\x8E\xA5\xE7\xB6\x9A*\n");  // 接続
  WriteFile(Logs("a.log"), "x\r\n");
  WriteFile(Logs("b.log"), "y\r\n");
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string warning = "定義ファイルがUTF-8で保存されています。";
  const std::size_t at = r.err.find(warning);
  ASSERT_NE(at, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(warning, at + 1), std::string::npos) << r.err;
}

TEST_F(Program, TerminationSignalCancelsBetweenFiles) {
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) WriteFile(Logs("f" + std::to_string(i) + ".log"), kLog);
  Start({"/A", LogsQ("*.log")});
  // Once the files are counted: a run cancelled before it has found any
  // file ends as one that found none (code 273).
  QByteArray counted;
  while (!counted.contains("File(s) Found.")) {
    ASSERT_TRUE(process.waitForReadyRead(30000));
    counted += process.readAllStandardOutput();
  }
  kill(static_cast<pid_t>(process.processId()), SIGTERM);
  Result r = Finish();
  r.out = counted.toStdString() + r.out;
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.ends_with("\n\n◆ キャンセルしました ◆\n")) << r.out;
  int untouched = 0;
  for (int i = 0; i < kFiles; ++i) {
    const std::string text = ReadFile(Logs("f" + std::to_string(i) + ".log"));
    untouched += text == kLog;
    EXPECT_TRUE(text == kLog || text == kDone) << text;  // never half done
  }
  EXPECT_GT(untouched, 0);
}

// The terms (options, variables, statuses, files) and headings, in order,
// of the --help text (`manual` false) or of the manual page.
std::vector<std::string> Terms(const std::string& text, bool manual) {
  std::vector<std::string> terms;
  const QRegularExpression line(manual ? R"(^(?:\.TP\n\\fB(.*)\\fR|\.SH (.*))$)"
                                       : R"(^(?:  (\S+)(?: {2,}|$)|([A-Z][a-z ]+):$))",
                                QRegularExpression::MultilineOption);
  for (auto it = line.globalMatch(QString::fromStdString(text)); it.hasNext();) {
    const auto match = it.next();
    QString term = match.hasCaptured(1) ? match.captured(1) : match.captured(2).toUpper();
    if (term == "NAME" || term == "SYNOPSIS" || term == "DESCRIPTION") continue;
    terms.push_back(term.replace("\\-", "-").replace("\\e", "\\").toStdString());
  }
  return terms;
}

TEST_F(Program, HelpAndVersionNeedNoDisplayAndAgreeWithTheManualPage) {
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.insert("QUILLET_HEADLESS", "0");    // the window, were one made...
  env.insert("QT_QPA_PLATFORM", "none");  // ...on a platform that does not exist
  const Result version = Run({"--version"});
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "Quillet 95 Version 1.25\n");

  const Result help = Run({"/A", "x.log", "--help"});
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: quillet [/A] [/R] [/S] [--stats[=json]] [FILE]\n", 0), 0u)
      << help.out;
  EXPECT_THAT(help.out, HasSubstr(" " + home.native() + "/Quillet.ini,"));
  EXPECT_THAT(help.out, HasSubstr(" " + home.native() + "/Quillet.def."));
  EXPECT_FALSE(testing::FileExists(home.Native("Quillet.ini")));  // nothing written

  const std::vector<std::string> terms = Terms(help.out, false);
  EXPECT_EQ(terms, Terms(ReadFile(QUILLET_MANPAGE), true));
  for (const char* expected : {"/A", "/R", "/S", "--help", "--version", "QUILLET_HEADLESS",
                               "QUILLET_HOME", "0", "1", "2", "Quillet.ini", "Quillet.def"}) {
    EXPECT_NE(std::find(terms.begin(), terms.end(), expected), terms.end()) << expected;
  }
}

TEST_F(Program, RelativePatternIsTakenFromTheCurrentDirectory) {
  WriteFile(home.Native("Quillet.def"), "[DEBUG]*\r\n");
  WriteFile(work.Native("app/a.log"), "[DEBUG] y\r\n");  // the current folder's own
  WriteFile(work.Native("other/b.log"), "[DEBUG] z\r\n");
  for (const char* pattern : {"logs/*.log", "./logs/*.log"}) {
    WriteFile(work.Native("app/logs/a.log"), kLog);
    const Result r = Run({"/A", pattern}, work.Native("app"));
    EXPECT_EQ(r.status, 0) << pattern << r.err;
    EXPECT_EQ(ReadFile(work.Native("app/logs/a.log")), kDone) << pattern;
  }
  EXPECT_EQ(ReadFile(work.Native("app/a.log")), "[DEBUG] y\r\n");

  const Result up = Run({"/A", "../../other/*.log"}, work.Native("app/logs"));
  EXPECT_EQ(up.status, 0) << up.err;
  EXPECT_EQ(ReadFile(work.Native("other/b.log")), "");
}

TEST_F(Program, ExpandedPatternNamesTheIgnoredArguments) {
  WriteFile(home.Native("Quillet.def"), "[DEBUG]*\r\n");
  for (const char* name : {"a.log", "b.log", "c.log"}) WriteFile(work.Native(name), "[DEBUG]\r\n");
  // What the shell makes of an unquoted *.log in that folder.
  const Result r = Run({"/A", "a.log", "b.log", "c.log"}, work.native());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err,
              HasSubstr("only the last one is used: c.log\nquillet: ignored: a.log b.log\n"));
  EXPECT_THAT(r.err, HasSubstr("quote a wild-card pattern"));
  EXPECT_EQ(ReadFile(work.Native("a.log")), "[DEBUG]\r\n");
  EXPECT_EQ(ReadFile(work.Native("c.log")), "");
}

// With a blank extension "a" would be the temporary or increment file of
// "a.log": deleted, overwritten or appended to.
TEST_F(Program, BlankExtensionRefusesTheRunBeforeAnythingIsTouched) {
  WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
  const std::pair<const char*, const char*> settings[] = {
      {"[Option]\r\nBack=0\r\nBackExt=\r\n", "(Quillet.ini の BackExt)"},
      {"[Option]\r\nBack=1\r\nBackExt=  \r\n", "(Quillet.ini の BackExt)"},
      {"[Option]\r\nInc=1\r\nIncExt=\r\n", "(Quillet.ini の IncExt)"}};
  for (const auto& [ini, key] : settings) {
    WriteFile(home.Native("Quillet.ini"), ini);
    WriteFile(Logs("a.log"), kLog);
    WriteFile(Logs("a"), "unrelated\r\n");
    const Result r = Run({"/A", LogsQ("*.log")});
    EXPECT_EQ(r.status, 2) << ini << r.err;
    EXPECT_THAT(r.err, HasSubstr(key));
    EXPECT_EQ(ReadFile(Logs("a.log")), kLog);
    EXPECT_EQ(Names(Logs()), (std::set<std::string>{"a", "a.log"}));
  }
}

// Named by QUILLET_HOME, the folder's name has no Shift-JIS form: the run
// must not go on with another folder's settings and definitions.
TEST_F(Program, ProgramFolderWithoutAShiftJisFormStopsTheProgram) {
  const std::string unusable = home.Native("home-\xC3\xA9");  // é
  WriteFile(unusable + "/Quillet.def", "*keep*\r\n");
  WriteFile(Logs("a.log"), kLog);
  SetHome(unusable);
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  // The box shows the folder with '?' for what has no Shift-JIS form.
  EXPECT_THAT(r.err, HasSubstr("\n" + home.windows() + "\\home-?\n"));
  EXPECT_THAT(r.err, HasSubstr("quillet: the program folder " + unusable + " (QUILLET_HOME)"));
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);
  EXPECT_EQ(Names(unusable), std::set<std::string>{"Quillet.def"});
}

// Nobody has looked at the sample's definitions yet: made, named, not used.
TEST_F(Program, DefinitionFileMadeFromTheSampleStopsTheFirstRun) {
  ASSERT_EQ(unlink(home.Native("Quillet.def").c_str()), 0);
  WriteFile(home.Native("Quillet.smp"), "*DEBUG*\r\n");
  WriteFile(Logs("a.log"), kLog);
  Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err,
              HasSubstr("quillet: created " + home.Native("Quillet.def") + " from Quillet.smp"));
  EXPECT_EQ(ReadFile(home.Native("Quillet.def")), "*DEBUG*\r\n");
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);

  r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
}

// Listed with '?' for what has no Shift-JIS form, counted, refused with 257
// and explained; the run then ends with status 1. A subfolder with such a
// name cannot be entered, which standard error says.
TEST_F(Program, NamesWithoutAShiftJisFormAreCountedAndRefused) {
  WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
  const char* const unnamed[] = {"\xC3\xA9.log", "\xF0\x9F\x8D\xA3.log", "\xFF.log"};  // é 🍣
  for (const char* name : unnamed) WriteFile(Logs(name), kLog);
  WriteFile(Logs("a.log"), kLog);
  WriteFile(Logs("sub-\xC3\xA9/b.log"), kLog);
  const Result r = Run({"/A", "/R", LogsQ("*.log")});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("\n4 File(s) Found.\n"));
  EXPECT_THAT(r.out, HasSubstr("\n?.log\t -> オープンエラー !\n"));
  EXPECT_THAT(r.out, HasSubstr("◆◆ 3個のファイルでエラーがありました ◆◆"));
  EXPECT_THAT(r.err, HasSubstr("quillet: " + Logs("?.log") +
                               ": its name has characters with no Shift-JIS"));
  EXPECT_THAT(r.err, HasSubstr("quillet: folder not entered: " + Logs("sub-?") + ": its name"));
  for (const char* name : unnamed) EXPECT_EQ(ReadFile(Logs(name)), kLog) << name;
  EXPECT_EQ(ReadFile(Logs("sub-\xC3\xA9/b.log")), kLog);
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
  EXPECT_EQ(Names(Logs()).size(), 5u);
}

TEST_F(Program, RefusalsNameTheFileAndTheReasonOnStandardError) {
  WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
  WriteFile(Logs("linked.log"), kLog);
  ASSERT_EQ(link(Logs("linked.log").c_str(), work.Native("other-name").c_str()), 0);
  WriteFile(Logs("cut.log"), "DEBUG\r\n");
  WriteFile(Logs("cut.qu$"), kLog);
  if (setxattr(Logs("cut.qu$").c_str(), "user.quillet.pending", "1", 1, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  const int reader = open(Logs("held.log").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(reader, 0);
  const bool leases = testing::LeasesGranted(work);

  const Result r = Run({"/A", LogsQ("*.log")});
  close(reader);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(
      r.err, HasSubstr("quillet: " + Logs("linked.log") + ": has more than one hard link (257)\n"));
  EXPECT_THAT(r.err,
              HasSubstr("quillet: " + Logs("cut.log") +
                        ": a copy from an interrupted run is marked pending: " + Logs("cut.qu$") +
                        "; the complete text is in it: rename it back over the log file, "
                        "or delete it when the log file is complete (258)\n"));
  if (leases) {
    EXPECT_THAT(r.err, HasSubstr("quillet: " + Logs("held.log") +
                                 ": held open by another process (257)\n"));
  }
  EXPECT_EQ(ReadFile(Logs("cut.qu$")), kLog);
}

// A preview lists the lines it would change and the definition hit counts
// for scripts, and touches nothing; options it cannot honour are refused
// before any run.
TEST_F(Program, PreviewListsTheLinesAndCountsWithoutTouchingAnything) {
  // 表示 in Shift-JIS: the second byte of 表 is a backslash.
  const std::string log_text = "start\nDEBUG 1\n\x95\x5C\x8E\xA6 pass=9\nend\n";
  WriteFile(home.Native("Quillet.def"), "; rules\n*DEBUG*\n*pass=*\\rpass=***\n*DEBUG 1*\n");
  WriteFile(Logs("app.log"), log_text);
  for (const QStringList& arguments :
       {QStringList{"--show-lines", "/A", LogsQ("*.log")},
        QStringList{"--dry-run", "--stats=xml", "/A", LogsQ("*.log")}}) {
    const Result r = Run(arguments);
    EXPECT_EQ(r.status, 2) << arguments.join(' ').toStdString();
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, HasSubstr("quillet: "));
  }

  const Result r = Run({"--dry-run", "--show-lines", "--stats=json", LogsQ("*.log")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadFile(Logs("app.log")), log_text);
  EXPECT_FALSE(testing::FileExists(home.Native("Quillet.ini")));
  EXPECT_THAT(r.out, HasSubstr("[ 通常の処理のプレビューです (ファイルは変更しません) ]"));
  const std::string def = home.native() + "/Quillet.def";
  EXPECT_THAT(r.out, HasSubstr(Logs("app.log") + ":2: DEBUG 1\n    deleted: " + def + ":2\n"));
  EXPECT_THAT(r.out, HasSubstr(Logs("app.log") + ":3: 表示 pass=9\n    replaced: " + def +
                               ":3: pass=***\n"));
  EXPECT_THAT(r.out, HasSubstr("app.log\t(30 to 19 bytes / 63%)"));
  // The counts come last, as one line of JSON.
  const std::string json =
      "{\"definition_files\":[{\"path\":\"" + def +
      "\",\"definitions\":["
      "{\"line\":2,\"pattern\":\"*DEBUG*\",\"replacement\":null,\"won\":1,\"matched\":1},"
      "{\"line\":3,\"pattern\":\"*pass=*\",\"replacement\":\"pass=***\",\"won\":1,\"matched\":1},"
      "{\"line\":4,\"pattern\":\"*DEBUG 1*\",\"replacement\":null,\"won\":0,\"matched\":1}],"
      "\"won_no_line\":[{\"line\":4,\"pattern\":\"*DEBUG 1*\",\"matched\":1,\"shadowed_by\":2,"
      "\"taken_by\":1}]}]}\n";
  EXPECT_TRUE(r.out.ends_with(json)) << r.out;
}

}  // namespace
}  // namespace quillet
