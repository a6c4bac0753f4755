// The built program's command line as a shell user meets it: --help and
// --version without a display, a pattern relative to the current directory,
// and a pattern the shell expanded because it was not quoted.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <string>
#include <vector>

#include "tests/support/TestUtil.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class ProgramCommandLine : public ::testing::Test {
 protected:
  ProgramCommandLine() {
    env.insert("QUILLET_HEADLESS", "1");
    env.insert("QUILLET_HOME", QString::fromStdString(home.native()));
  }
  Result Run(const QStringList& arguments, const std::string& current_dir = {}) {
    QProcess process;
    process.setProcessEnvironment(env);
    if (!current_dir.empty()) process.setWorkingDirectory(QString::fromStdString(current_dir));
    process.start(QCoreApplication::applicationDirPath() + "/../ui/quillet", arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << "build the quillet target first";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
  }

  ScratchDir home;
  ScratchDir work;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

// The terms (options, variables, statuses, files) and headings, in order.
std::vector<std::string> HelpTerms(const std::string& help) {
  std::vector<std::string> terms;
  const QRegularExpression line(R"(^(?:  (\S+)(?: {2,}|$)|([A-Z][a-z ]+):$))",
                                QRegularExpression::MultilineOption);
  for (auto it = line.globalMatch(QString::fromStdString(help)); it.hasNext();) {
    const auto match = it.next();
    terms.push_back(match.hasCaptured(1) ? match.captured(1).toStdString()
                                         : match.captured(2).toUpper().toStdString());
  }
  return terms;
}

std::vector<std::string> ManualTerms(const std::string& page) {
  std::vector<std::string> terms;
  const QRegularExpression line(R"(^(?:\.TP\n\\fB(.*)\\fR|\.SH (.*))$)",
                                QRegularExpression::MultilineOption);
  for (auto it = line.globalMatch(QString::fromStdString(page)); it.hasNext();) {
    const auto match = it.next();
    QString term = match.hasCaptured(1) ? match.captured(1) : match.captured(2);
    if (term == "NAME" || term == "SYNOPSIS" || term == "DESCRIPTION") continue;
    term.replace("\\-", "-").replace("\\e", "\\");
    terms.push_back(term.toStdString());
  }
  return terms;
}

TEST_F(ProgramCommandLine, HelpAndVersionNeedNoDisplayAndAgreeWithTheManualPage) {
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
  EXPECT_NE(help.out.find(" " + home.native() + "/Quillet.ini,"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find(" " + home.native() + "/Quillet.def."), std::string::npos) << help.out;
  EXPECT_FALSE(testing::FileExists(home.Native("Quillet.ini")));  // nothing written

  const std::vector<std::string> terms = HelpTerms(help.out);
  EXPECT_EQ(terms, ManualTerms(ReadFile(QUILLET_MANPAGE)));
  for (const char* expected : {"/A", "/R", "/S", "--help", "--version", "QUILLET_HEADLESS",
                               "QUILLET_HOME", "0", "1", "2", "Quillet.ini", "Quillet.def"}) {
    EXPECT_NE(std::find(terms.begin(), terms.end(), expected), terms.end()) << expected;
  }
}

TEST_F(ProgramCommandLine, RelativePatternIsTakenFromTheCurrentDirectory) {
  WriteFile(home.Native("Quillet.def"), "[DEBUG]*\r\n");
  WriteFile(work.Native("app/logs/a.log"), "[DEBUG] x\r\nkeep\r\n");
  WriteFile(work.Native("app/a.log"), "[DEBUG] y\r\n");  // the current folder's own
  WriteFile(work.Native("other/b.log"), "[DEBUG] z\r\n");
  for (const char* pattern : {"logs/*.log", "./logs/*.log"}) {
    WriteFile(work.Native("app/logs/a.log"), "[DEBUG] x\r\nkeep\r\n");
    const Result r = Run({"/A", pattern}, work.Native("app"));
    EXPECT_EQ(r.status, 0) << pattern << r.err;
    EXPECT_EQ(ReadFile(work.Native("app/logs/a.log")), "keep\r\n") << pattern;
  }
  EXPECT_EQ(ReadFile(work.Native("app/a.log")), "[DEBUG] y\r\n");

  const Result up = Run({"/A", "../../other/*.log"}, work.Native("app/logs"));
  EXPECT_EQ(up.status, 0) << up.err;
  EXPECT_EQ(ReadFile(work.Native("other/b.log")), "");
}

TEST_F(ProgramCommandLine, ExpandedPatternNamesTheIgnoredArguments) {
  WriteFile(home.Native("Quillet.def"), "[DEBUG]*\r\n");
  for (const char* name : {"a.log", "b.log", "c.log"}) {
    WriteFile(work.Native(name), "[DEBUG]\r\n");
  }
  // What the shell makes of an unquoted *.log in that folder.
  const Result r = Run({"/A", "a.log", "b.log", "c.log"}, work.native());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("only the last one is used: c.log\nquillet: ignored: a.log b.log\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("quote a wild-card pattern"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(work.Native("a.log")), "[DEBUG]\r\n");
  EXPECT_EQ(ReadFile(work.Native("c.log")), "");
}

}  // namespace
}  // namespace quillet
