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

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadFile;
using testing::ScratchDir;
using testing::Sjis;
using ::testing::StartsWith;
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
    WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
    env.insert("QUILLET_HEADLESS", "1");
    env.insert("QUILLET_HOME", QString::fromStdString(home.native()));
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

// With the shipped sample as definitions, as cron runs it: no display, so
// unattended without being told. Such a run loads no Qt at all: a platform
// plugin that cannot load does not stop it, and the loader's trace on
// standard error names no Qt library or plugin.
TEST_F(Program, CompactsATreeWithoutAWindowSystemAndReportsOnStandardOutput) {
  WriteFile(home.Native("Quillet.def"), ReadFile(home.Native("Quillet.smp")));
  for (const char* name : {"QUILLET_HEADLESS", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
  env.insert("QT_QPA_PLATFORM", "bogus");
  env.insert("LD_DEBUG", "files");
  WriteFile(Logs("app.log"), Sjis("開始\r\n[DEBUG] x=1\r\n09:00 heartbeat ok\r\n"
                                  "接続を開始しました (詳細: db01)\r\n"));
  WriteFile(Logs("sub/b.log"), "[TRACE] y\r\nend\r\n");
  const Result r = Run({"/A", "/R", LogsQ("*.log")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(Logs("app.log")), Sjis("開始\r\n接続を開始しました\r\n"));
  EXPECT_EQ(ReadFile(Logs("sub/b.log")), "end\r\n");
  EXPECT_THAT(r.out, StartsWith("[ 通常の処理を行います ]\n"));
  EXPECT_THAT(r.out, HasSubstr("定義ファイルから 4行読み込みました.\n"));
  EXPECT_THAT(r.out, HasSubstr("\nb.log\t(16 to 5 bytes / 31%)\n"));
  EXPECT_THAT(r.out, EndsWith("\n\n終了しました.\n"));
  EXPECT_THAT(r.err, HasSubstr("quillet: settings: " + home.native() +
                               "/Quillet.ini (not found: defaults)\nquillet: definitions: " +
                               home.native() + "/Quillet.def\n"));
  EXPECT_THAT(r.err, Not(HasSubstr("/platforms/")));
  EXPECT_THAT(r.err, Not(HasSubstr("libQt6")));
  EXPECT_THAT(ReadFile(home.Native("Quillet.ini")), HasSubstr("[Option]\r\n"));
}

// Only the read-only a.log is ever matched, and it is never changed.
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

// Nobody has looked at the sample's definitions yet: made, named, not used.
// Saved as UTF-8 (as vim does on a UTF-8 desktop) they are warned of once a
// run, however many files use them, and the run goes on.
TEST_F(Program, DefinitionFileMadeFromTheSampleStopsTheFirstRun) {
  ASSERT_EQ(unlink(home.Native("Quillet.def").c_str()), 0);
  WriteFile(home.Native("Quillet.smp"), "[DEBUG]*\n*\xE6\x8E\xA5\xE7\xB6\x9A*\n");  // 接続
  WriteFile(Logs("a.log"), kLog);
  WriteFile(Logs("b.log"), "y\r\n");
  Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err,
              HasSubstr("quillet: created " + home.Native("Quillet.def") + " from Quillet.smp"));
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);

  r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
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
  // file ends as one that found none.
  QByteArray counted;
  while (!counted.contains("File(s) Found.")) {
    ASSERT_TRUE(process.waitForReadyRead(30000));
    counted += process.readAllStandardOutput();
  }
  kill(static_cast<pid_t>(process.processId()), SIGTERM);
  const Result r = Finish();
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(counted.toStdString() + r.out, EndsWith("\n\n◆ キャンセルしました ◆\n"));
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
  EXPECT_THAT(help.out, StartsWith("Usage: quillet [/A] [/R] [/S] [--stats[=json]] [FILE]\n"));
  EXPECT_THAT(help.out, HasSubstr(" " + home.native() + "/Quillet.ini,"));
  EXPECT_FALSE(testing::FileExists(home.Native("Quillet.ini")));  // nothing written
  const std::vector<std::string> terms = Terms(help.out, false);
  EXPECT_EQ(terms, Terms(ReadFile(QUILLET_MANPAGE), true));
  EXPECT_THAT(terms, ::testing::IsSupersetOf({"/A", "--version", "QUILLET_HOME", "2"}));
}

// A relative pattern is taken from the current directory; of the names the
// shell makes of an unquoted pattern only the last one is used.
TEST_F(Program, PatternIsTakenFromTheCurrentDirectoryAndOnlyTheLastNameCounts) {
  WriteFile(work.Native("app/a.log"), kLog);
  WriteFile(work.Native("app/logs/a.log"), kLog);
  Result r = Run({"/A", "logs/*.log"}, work.Native("app"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(work.Native("app/logs/a.log")), kDone);
  EXPECT_EQ(ReadFile(work.Native("app/a.log")), kLog);

  for (const char* name : {"b.log", "c.log"}) WriteFile(work.Native(name), kLog);
  r = Run({"/A", "b.log", "c.log"}, work.native());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("only the last one is used: c.log\nquillet: ignored: b.log\n"));
  EXPECT_EQ(ReadFile(work.Native("b.log")), kLog);
  EXPECT_EQ(ReadFile(work.Native("c.log")), kDone);
}

// With a blank extension "a" would be the temporary or increment file of
// "a.log": deleted, overwritten or appended to.
TEST_F(Program, BlankExtensionRefusesTheRunBeforeAnythingIsTouched) {
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
  env.insert("QUILLET_HOME", QString::fromStdString(unusable));
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("\n" + home.windows() + "\\home-?\n"));  // as the box shows it
  EXPECT_THAT(r.err, HasSubstr("quillet: the program folder " + unusable + " (QUILLET_HOME)"));
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);
  EXPECT_EQ(Names(unusable), std::set<std::string>{"Quillet.def"});
}

// Files the run must leave alone, each named on standard error with the
// reason, and the run ends with status 1: names without a Shift-JIS form
// (listed with '?'), a subfolder with such a name, a file with a second hard
// link, a log with a pending copy from an interrupted run, one held open.
TEST_F(Program, RefusedFilesAreNamedWithTheReasonAndLeftAlone) {
  const char* const unnamed[] = {"\xC3\xA9.log", "\xF0\x9F\x8D\xA3.log", "\xFF.log"};  // é 🍣
  for (const char* name : unnamed) WriteFile(Logs(name), kLog);
  WriteFile(Logs("a.log"), kLog);
  WriteFile(Logs("sub-\xC3\xA9/b.log"), kLog);
  WriteFile(Logs("linked.log"), kLog);
  ASSERT_EQ(link(Logs("linked.log").c_str(), work.Native("other-name").c_str()), 0);
  WriteFile(Logs("cut.log"), "DEBUG\r\n");
  WriteFile(Logs("cut.qu$"), kLog);
  const bool xattrs = setxattr(Logs("cut.qu$").c_str(), "user.quillet.pending", "1", 1, 0) == 0;
  const int reader = open(Logs("held.log").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(reader, 0);
  const bool leases = testing::LeasesGranted(work);

  const Result r = Run({"/A", "/R", LogsQ("*.log")});
  close(reader);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("\n?.log\t -> オープンエラー !\n"));
  EXPECT_THAT(r.err, HasSubstr("quillet: " + Logs("?.log") +
                               ": its name has characters with no Shift-JIS"));
  EXPECT_THAT(r.err, HasSubstr("quillet: folder not entered: " + Logs("sub-?") + ": its name"));
  EXPECT_THAT(
      r.err, HasSubstr("quillet: " + Logs("linked.log") + ": has more than one hard link (257)\n"));
  if (xattrs) {
    EXPECT_THAT(r.err, HasSubstr("quillet: " + Logs("cut.log") +
                                 ": a copy from an interrupted run is marked pending: " +
                                 Logs("cut.qu$") + "; the complete text is in it"));
  }
  if (leases) {
    EXPECT_THAT(r.err, HasSubstr("quillet: " + Logs("held.log") +
                                 ": held open by another process (257)\n"));
  }
  for (const char* name : unnamed) EXPECT_EQ(ReadFile(Logs(name)), kLog) << name;
  for (const char* name : {"sub-\xC3\xA9/b.log", "linked.log", "cut.qu$"})
    EXPECT_EQ(ReadFile(Logs(name)), kLog) << name;
  EXPECT_EQ(ReadFile(Logs("a.log")), kDone);
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
  // The counts come last, as one line of JSON.
  EXPECT_THAT(
      r.out,
      EndsWith(
          "{\"definition_files\":[{\"path\":\"" + def +
          "\",\"definitions\":["
          "{\"line\":2,\"pattern\":\"*DEBUG*\",\"replacement\":null,\"won\":1,\"matched\":1},"
          "{\"line\":3,\"pattern\":\"*pass=*\",\"replacement\":\"pass=***\",\"won\":1,"
          "\"matched\":1},"
          "{\"line\":4,\"pattern\":\"*DEBUG 1*\",\"replacement\":null,\"won\":0,\"matched\":1}],"
          "\"won_no_line\":[{\"line\":4,\"pattern\":\"*DEBUG 1*\",\"matched\":1,"
          "\"shadowed_by\":2,\"taken_by\":1}]}]}\n"));
}

}  // namespace
}  // namespace quillet
