// The built program, run unattended on real folders: the files it leaves,
// its standard output and error, and its exit status.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <tuple>

#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::Sjis;
using testing::WriteFile;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class Program : public ::testing::Test {
 protected:
  // The program is <build>/ui/quillet, beside the test program's folder; its
  // shipped sample is the program folder's Quillet.def (an unattended run
  // that has to make it from the sample stops there).
  Program() {
    WriteFile(home.Native("Quillet.smp"), ReadFile(program_folder_ + "/Quillet.smp"));
    WriteFile(home.Native("Quillet.def"), ReadFile(program_folder_ + "/Quillet.smp"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLET_HEADLESS", "1");
    env.insert("QUILLET_HOME", QString::fromStdString(home.native()));
    process.setProcessEnvironment(env);
  }
  void Start(const QStringList& arguments) {
    process.start(QString::fromStdString(program_folder_ + "/quillet"), arguments);
    ASSERT_TRUE(process.waitForStarted()) << "build the quillet target first";
  }
  Result Finish() {
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
  }
  Result Run(const QStringList& arguments) {
    Start(arguments);
    return Finish();
  }
  QString Logs(const char* pattern) const {
    return QString::fromStdString(work.Native("logs/") + pattern);
  }

  ScratchDir home;
  ScratchDir work;
  QProcess process;

 private:
  const std::string program_folder_ =
      QCoreApplication::applicationDirPath().toStdString() + "/../ui";
};

TEST_F(Program, CompactsATreeAndReportsOnStandardOutput) {
  WriteFile(
      work.Native("logs/app.log"),
      Sjis("開始\r\n[DEBUG] x=1\r\n09:00 heartbeat ok\r\n接続を開始しました (詳細: db01)\r\n"));
  WriteFile(work.Native("logs/sub/b.log"), "[TRACE] y\r\nend\r\n");
  const Result r = Run({"/A", "/R", Logs("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(work.Native("logs/app.log")), Sjis("開始\r\n接続を開始しました\r\n"));
  EXPECT_EQ(ReadFile(work.Native("logs/sub/b.log")), "end\r\n");
  EXPECT_EQ(r.out.rfind("[ 通常の処理を行います ]\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("定義ファイルから 4行読み込みました.\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nb.log\t(16 to 5 bytes / 31%)\n"), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("\n\n終了しました.\n")) << r.out;
  EXPECT_EQ(r.err, "quillet: settings: " + home.native() + "/Quillet.ini (not found: defaults)\n" +
                       "quillet: definitions: " + home.native() + "/Quillet.def\n");
  EXPECT_NE(ReadFile(home.Native("Quillet.ini")).find("[Option]\r\n"), std::string::npos);
}

// An unattended run loads no Qt at all: a platform plugin that cannot load
// does not stop it, and neither a plugin nor a Qt library is opened (the
// loader's trace on standard error names every library it opens).
TEST_F(Program, UnattendedRunNeedsNoWindowSystem) {
  QProcessEnvironment env = process.processEnvironment();
  env.insert("QT_QPA_PLATFORM", "bogus");
  env.insert("LD_DEBUG", "files");
  process.setProcessEnvironment(env);
  WriteFile(work.Native("logs/a.log"), "[DEBUG] x\r\nkept\r\n");
  const Result r = Run({"/A", Logs("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(work.Native("logs/a.log")), "kept\r\n");
  EXPECT_TRUE(r.out.ends_with("\n\n終了しました.\n")) << r.out;
  EXPECT_EQ(r.err.find("/platforms/"), std::string::npos);
  EXPECT_EQ(r.err.find("libQt6"), std::string::npos);
}

// A file error, no file found, the all-files pattern and no arguments at all
// (usage); only the read-only a.log is ever matched.
TEST_F(Program, ExitStatusesTellWhatHappened) {
  WriteFile(work.Native("logs/a.log"), "[DEBUG]\r\n");
  chmod(work.Native("logs/a.log").c_str(), 0444);
  const std::tuple<const char*, int, const char*, const char*> runs[] = {
      {"*.log", 1, "◆◆ 1個のファイルでエラーがありました ◆◆\n", ""},
      {"*.txt", 2, "終了しました.", "ファイルが見つかりません。"},
      {"*.*", 2, "◆ キャンセルしました ◆", "Quillet ERROR !"},
      {nullptr, 2, "", "QUILLET_HEADLESS"}};
  for (const auto& [pattern, status, in_output, in_errors] : runs) {
    const Result r = Run(pattern ? QStringList{"/S", Logs(pattern)} : QStringList{});
    EXPECT_EQ(r.status, status) << (pattern ? pattern : "usage");
    EXPECT_NE(r.out.find(in_output), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(in_errors), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFile(work.Native("logs/a.log")), "[DEBUG]\r\n");
}

// Quillet.def as vim writes it on a UTF-8 desktop: one warning on standard
// error, and the run goes on.
TEST_F(Program, DefinitionsSavedAsUtf8AreWarnedOfOnStandardError) {
  WriteFile(home.Native("Quillet.def"), "[DEBUG]*\n*\xE6\x8E\xA5\xE7\xB6\x9A*\n");  // 接続
  WriteFile(work.Native("logs/a.log"), "x\r\n");
  WriteFile(work.Native("logs/b.log"), "y\r\n");
  const Result r = Run({"/A", Logs("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string warning = "定義ファイルがUTF-8で保存されています。";
  const std::size_t at = r.err.find(warning);
  ASSERT_NE(at, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(warning, at + 1), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.ends_with("\n\n終了しました.\n")) << r.out;
}

TEST_F(Program, TerminationSignalCancelsBetweenFiles) {
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) {
    WriteFile(work.Native("logs/f" + std::to_string(i) + ".log"), "[DEBUG]\r\nkeep\r\n");
  }
  Start({"/A", Logs("*.log")});
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
    const std::string text = ReadFile(work.Native("logs/f" + std::to_string(i) + ".log"));
    untouched += text == "[DEBUG]\r\nkeep\r\n";
    EXPECT_TRUE(text == "[DEBUG]\r\nkeep\r\n" || text == "keep\r\n") << text;  // never half done
  }
  EXPECT_GT(untouched, 0);
}

}  // namespace
}  // namespace quillet
