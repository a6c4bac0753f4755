// The built program, run unattended on real folders as a shell user or cron
// runs it: the files it leaves, its standard output and error, its status.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <tuple>

#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using namespace ::testing;
using namespace quillet::testing;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class Program : public ::testing::Test {
 protected:
  // The program is <build>/ui/quillet; its shipped sample lies beside it.
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

// As cron runs it, with the shipped sample: no display means unattended, and
// such a run loads no Qt at all (a broken platform plugin cannot stop it).
// Files it must leave alone are named on standard error with the reason and
// the run ends with status 1: names without a Shift-JIS form, such a
// subfolder, a second hard link, a pending copy from an interrupted run, a
// file held open.
TEST_F(Program, CompactsATreeWithoutAWindowSystemAndLeavesRefusedFilesAlone) {
  WriteFile(home.Native("Quillet.def"), ReadFile(home.Native("Quillet.smp")));
  for (const char* name : {"QUILLET_HEADLESS", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
  env.insert("QT_QPA_PLATFORM", "bogus");
  env.insert("LD_DEBUG", "files");
  WriteFile(Logs("app.log"), Sjis("開始\r\n[DEBUG] x=1\r\n09:00 heartbeat ok\r\n"
                                  "接続を開始しました (詳細: db01)\r\n"));
  WriteFile(Logs("sub/b.log"), "[TRACE] y\nend\n");  // LF, as Linux loggers write
  const char* const kept[] = {"\xC3\xA9.log", "\xFF.log", "sub-\xC3\xA9/b.log", "linked.log",
                              "cut.qu$"};
  for (const char* name : kept) WriteFile(Logs(name), kLog);
  ASSERT_EQ(link(Logs("linked.log").c_str(), work.Native("other-name").c_str()), 0);
  WriteFile(Logs("cut.log"), "DEBUG\r\n");
  const bool xattrs = SetPendingMark(Logs("cut.qu$"));
  const int reader = open(Logs("held.log").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(reader, 0);
  const bool leases = LeasesGranted(work);

  const Result r = Run({"/A", "/R", LogsQ("*.log")});
  close(reader);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(Logs("app.log")), Sjis("開始\r\n接続を開始しました\r\n"));
  EXPECT_EQ(ReadFile(Logs("sub/b.log")), "end\n");
  for (const char* name : kept) EXPECT_EQ(ReadFile(Logs(name)), kLog) << name;
  EXPECT_THAT(r.out, HasSubstr("\nb.log\t(14 to 4 bytes / 28%)\n"));
  for (const std::string& line :
       {"quillet: definitions: " + home.native() + "/Quillet.def\n",
        "quillet: " + Logs("?.log") + ": its name has characters with no Shift-JIS",
        "quillet: folder not entered: " + Logs("sub-?") + ": its name",
        "quillet: " + Logs("linked.log") + ": has more than one hard link (257)\n",
        xattrs ? "quillet: " + Logs("cut.log") + ": a copy from an interrupted run" : "",
        leases ? "quillet: " + Logs("held.log") + ": held open by another process" : ""})
    EXPECT_THAT(r.err, HasSubstr(line));
  EXPECT_THAT(r.err, Not(HasSubstr("libQt6")));

  // A named display, even Wayland's alone, asks for the window: on a platform
  // that cannot load, nothing is run.
  env.insert("WAYLAND_DISPLAY", "wayland-9");
  WriteFile(Logs("app.log"), kLog);
  Start({"/A", LogsQ("app.log")});
  process.waitForFinished(60000);
  EXPECT_EQ(ReadFile(Logs("app.log")), kLog);
}

// Only the read-only a.log is ever matched, and it is never changed.
TEST_F(Program, ExitStatusesTellWhatHappened) {
  WriteFile(Logs("a.log"), "[DEBUG]\r\n");
  chmod(Logs("a.log").c_str(), 0444);
  const std::tuple<QStringList, int, const char*, std::string> runs[] = {
      {{"/S", LogsQ("*.log")}, 1, "◆◆ 1個のファイルでエラーがありました ◆◆\n", ""},
      {{"/S", LogsQ("*.txt")}, 2, "終了しました.", "ファイルが見つかりません。"},
      {{"/S", LogsQ("*.*")}, 2, "◆ キャンセルしました ◆", "Quillet ERROR !"},
      {{"/A", LogsQ("nowhere/*.log")}, 2, "", "quillet: folder not found: " + Logs("nowhere/")},
      {{}, 2, "", "QUILLET_HEADLESS"}};
  for (const auto& [arguments, status, in_output, in_errors] : runs) {
    const Result r = Run(arguments);
    EXPECT_EQ(r.status, status) << arguments.join(' ').toStdString();
    EXPECT_THAT(r.out, HasSubstr(in_output));
    EXPECT_THAT(r.err, HasSubstr(in_errors));
  }
  EXPECT_EQ(ReadFile(Logs("a.log")), "[DEBUG]\r\n");

  // Definitions made from the sample stop the first run unused.
  ASSERT_EQ(unlink(home.Native("Quillet.def").c_str()), 0);
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("quillet: created " + home.Native("Quillet.def")));
}

TEST_F(Program, HelpAndVersionNeedNoDisplay) {
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.insert("QUILLET_HEADLESS", "0");    // the window, were one made...
  env.insert("QT_QPA_PLATFORM", "none");  // ...on a platform that does not exist
  const Result version = Run({"--version"});
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "Quillet 95 Version 1.25\n");

  const Result help = Run({"/A", "x.log", "--help"});
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_THAT(help.out, HasSubstr(" " + home.native() + "/Quillet.ini,"));
  EXPECT_FALSE(FileExists(home.Native("Quillet.ini")));  // nothing written
  EXPECT_THAT(help.out, StartsWith("Usage: quillet [/A] [/R] [/S]"));
  EXPECT_THAT(ReadFile(QUILLET_MANPAGE), HasSubstr("\\fB/A\\fR"));
}

// Named by QUILLET_HOME, a folder without a Shift-JIS name stops the run
// rather than going on with another folder's settings and definitions.
TEST_F(Program, ProgramFolderWithoutAShiftJisFormStopsTheProgram) {
  const std::string unusable = home.Native("home-\xC3\xA9");  // é
  WriteFile(unusable + "/Quillet.def", "*keep*\r\n");
  WriteFile(Logs("a.log"), kLog);
  env.insert("QUILLET_HOME", QString::fromStdString(unusable));
  const auto before = TreeSnapshot(unusable);
  const Result r = Run({"/A", LogsQ("*.log")});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("quillet: the program folder " + unusable + " (QUILLET_HOME)"));
  EXPECT_EQ(ReadFile(Logs("a.log")), kLog);
  EXPECT_EQ(TreeSnapshot(unusable), before);
}

// A preview lists the lines it would change and touches nothing.
TEST_F(Program, PreviewListsTheLinesWithoutTouchingAnything) {
  WriteFile(Logs("app.log"), kLog);
  const Result r = Run({"--dry-run", "--show-lines", "--stats=json", LogsQ("*.log")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadFile(Logs("app.log")), kLog);
  EXPECT_FALSE(FileExists(home.Native("Quillet.ini")));
  EXPECT_THAT(r.out, HasSubstr(Logs("app.log") + ":1: [DEBUG] x\n    deleted: " + home.native() +
                               "/Quillet.def:1\n"));
  EXPECT_THAT(r.out, EndsWith("\"won_no_line\":[]}]}\n"));  // the counts, as one line of JSON
}

}  // namespace
}  // namespace quillet
