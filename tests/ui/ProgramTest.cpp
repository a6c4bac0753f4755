// The built program, run unattended on real folders: the files it leaves,
// its standard output and error, and its exit status.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <climits>
#include <filesystem>

#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::Sjis;
using testing::WriteFile;

// The program beside the test program's folder: <build>/ui/quillet.
std::string ProgramFolder() {
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return {};
  exe[length] = '\0';
  return std::filesystem::path(exe).parent_path().parent_path() / "ui";
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class Program : public ::testing::Test {
 protected:
  Program() {
    const std::string exe_folder = ProgramFolder();
    program_ = exe_folder + "/quillet";
    if (access(program_.c_str(), X_OK) != 0) ADD_FAILURE() << "build " << program_ << " first";
    // The shipped sample becomes the program folder's Quillet.def.
    WriteFile(home.Native("Quillet.smp"), ReadFile(exe_folder + "/Quillet.smp"));
  }

  void Start(QProcess& process, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLET_HEADLESS", "1");
    env.insert("QUILLET_HOME", QString::fromStdString(home.native()));
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(program_), arguments);
    ASSERT_TRUE(process.waitForStarted());
  }

  Result Finish(QProcess& process) {
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
  }

  Result RunProgram(const QStringList& arguments) {
    QProcess process;
    Start(process, arguments);
    return Finish(process);
  }

  QString Logs(const char* pattern) const {
    return QString::fromStdString(work.Native("logs/") + pattern);
  }

  ScratchDir home;
  ScratchDir work;

 private:
  std::string program_;
};

TEST_F(Program, CompactsATreeAndReportsOnStandardOutput) {
  WriteFile(
      work.Native("logs/app.log"),
      Sjis("開始\r\n[DEBUG] x=1\r\n09:00 heartbeat ok\r\n接続を開始しました (詳細: db01)\r\n"));
  WriteFile(work.Native("logs/sub/b.log"), "[TRACE] y\r\nend\r\n");
  const Result r = RunProgram({"/A", "/R", Logs("*.log")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(work.Native("logs/app.log")), Sjis("開始\r\n接続を開始しました\r\n"));
  EXPECT_EQ(ReadFile(work.Native("logs/sub/b.log")), "end\r\n");
  EXPECT_EQ(r.out.rfind("[ 通常の処理を行います ]\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("定義ファイルから 4行読み込みました.\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nb.log\t(16 to 5 bytes / 31%)\n"), std::string::npos) << r.out;
  EXPECT_TRUE(EndsWith(r.out, "\n\n終了しました.\n")) << r.out;
  EXPECT_NE(r.err.find("定義ファイルを作成しました。"), std::string::npos) << r.err;
  EXPECT_NE(ReadFile(home.Native("Quillet.ini")).find("[Option]\r\n"), std::string::npos);
}

struct StatusCase {
  const char* name;
  bool read_only_file;
  const char* pattern;  // nullptr: no arguments at all
  int status;
  const char* in_output;  // on standard output
  const char* in_errors;  // on standard error
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class ExitStatuses : public Program, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ExitStatuses, TellWhatHappened) {
  const StatusCase& c = GetParam();
  WriteFile(work.Native("logs/a.log"), "[DEBUG]\r\n");
  if (c.read_only_file) chmod(work.Native("logs/a.log").c_str(), 0444);
  const Result r = RunProgram(c.pattern ? QStringList{"/S", Logs(c.pattern)} : QStringList{});
  EXPECT_EQ(r.status, c.status);
  EXPECT_NE(r.out.find(c.in_output), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(c.in_errors), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ExitStatuses,
    ::testing::Values(
        StatusCase{"FileError", true, "*.log", 1, "◆◆ 1個のファイルでエラーがありました ◆◆\n", ""},
        StatusCase{"NoFileFound", false, "*.txt", 2, "終了しました.", "ファイルが見つかりません。"},
        StatusCase{"AllFiles", false, "*.*", 2, "◆ キャンセルしました ◆", "Quillet ERROR !"},
        StatusCase{"Usage", false, nullptr, 2, "", "QUILLET_HEADLESS"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Program, TerminationSignalCancelsBetweenFiles) {
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) {
    WriteFile(work.Native("logs/f" + std::to_string(i) + ".log"), "[DEBUG]\r\nkeep\r\n");
  }
  QProcess process;
  Start(process, {"/A", Logs("*.log")});
  // Once the files are counted: a run cancelled before it has found any
  // file ends as one that found none (code 273).
  QByteArray counted;
  while (!counted.contains("File(s) Found.")) {
    ASSERT_TRUE(process.waitForReadyRead(30000));
    counted += process.readAllStandardOutput();
  }
  kill(static_cast<pid_t>(process.processId()), SIGTERM);
  Result r = Finish(process);
  r.out = counted.toStdString() + r.out;
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(EndsWith(r.out, "\n\n◆ キャンセルしました ◆\n")) << r.out;
  int untouched = 0;
  for (int i = 0; i < kFiles; ++i) {
    const std::string text = ReadFile(work.Native("logs/f" + std::to_string(i) + ".log"));
    if (text == "[DEBUG]\r\nkeep\r\n")
      ++untouched;
    else
      EXPECT_EQ(text, "keep\r\n");  // a file is never left half done
  }
  EXPECT_GT(untouched, 0);
}

}  // namespace
}  // namespace quillet
