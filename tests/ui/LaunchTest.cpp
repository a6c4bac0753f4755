#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <tuple>

#include "tests/ui/LaunchDoubles.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/OptDlg.h"
#include "ui/QtProgramStarter.h"

namespace quillet::ui {
namespace {

using namespace quillet::testing;

class LaunchTest : public MainFormFixture {
 protected:
  LaunchTest() {
    Create();
    for (const char* name : {"a.log", "b.log", "c.log"}) WriteFile(work.Native(name), "x\r\n");
    dialogs.chosen = {work.Windows("a.log"), work.Windows("b.log"), work.Windows("c.log")};
  }

  RecordingStarter starter;
  ScriptedFileDialogs dialogs;
};

// One command line for all names, or one per name with Multi; the first
// failure stops the command with one message, however many files are left.
TEST_F(LaunchTest, EditFilesStartsTheEditorOnTheChosenNamesInTheirFolder) {
  const std::string all = R"("notepad.exe" "a.log" "b.log" "c.log")";
  const std::string a = R"("notepad.exe" "a.log")";
  const std::tuple<bool, int, std::vector<std::string>, std::size_t> cases[] = {
      {false, 33, {all}, 0},
      {true, 33, {a, R"("notepad.exe" "b.log")", R"("notepad.exe" "c.log")"}, 0},
      {true, 2, {a}, 1}};
  form->EditFolder->setText(ToQString(work.windows()));
  for (const auto& [multi, result, command_lines, box_count] : cases) {
    globals.options.Multi = multi;
    starter.result = result;
    starter.command_lines.clear();
    boxes.boxes.clear();
    form->EditFilesItemClick();
    EXPECT_EQ(starter.command_lines, command_lines);
    EXPECT_EQ(WorkingDirectory(), work.native());
    EXPECT_EQ(boxes.boxes.size(), box_count);
  }
  // The definition file is edited by its full path, even when missing.
  globals.options.Editor = "Z:\\opt\\my editor";
  starter.command_lines.clear();
  form->DefEditClick();
  EXPECT_EQ(starter.command_lines, std::vector<std::string>{"\"Z:\\opt\\my editor\" \"" +
                                                            home.windows() + "\\Quillet.def\""});
}

// A cancelled dialog starts nothing, not even on the names chosen before.
TEST_F(LaunchTest, ViewerStartsOncePerFileAndStopsAtTheFirstFailure) {
  globals.options.Multi = false;  // plays no part for the viewer
  form->CorvaneItemClick();
  ASSERT_EQ(starter.command_lines.size(), 3u);
  EXPECT_EQ(starter.command_lines[2], "\"" + home.windows() + "\\Corvane\" \"c.log\"");
  starter.command_lines.clear();
  dialogs.chosen.clear();
  form->EditFilesItemClick();
  form->CorvaneItemClick();
  EXPECT_TRUE(starter.command_lines.empty());
  dialogs.chosen = {work.Windows("a.log"), work.Windows("b.log")};
  starter.result = 0;
  form->CorvaneItemClick();
  EXPECT_EQ(std::pair(starter.command_lines.size(), boxes.boxes.size()), std::pair(1ul, 1ul));
}

// The chosen file fills name and folder (without its last '\\' unless it is a
// drive root); a cancelled dialog changes nothing. Either way the name box
// has the focus afterwards.
TEST_F(LaunchTest, FileBrowseFillsNameAndFolder) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {work.Windows("a.log"), "a.log", work.windows()},
      {"Z:\\app.log", "app.log", "Z:\\"},
      {"", "*.log", "Z:\\start\\"}};
  for (const auto& [chosen, name, folder] : cases) {
    form->EditFolder->setText(QStringLiteral("Z:\\start\\"));
    form->EditFName->setText(QStringLiteral("*.log"));
    dialogs.chosen = chosen.empty() ? std::vector<std::string>{} : std::vector{chosen};
    dialogs.shown.clear();
    form->EditFolder->setFocus();
    form->FileBrowseSBClick();
    EXPECT_EQ(form->focusWidget(), form->EditFName);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].initial_dir, "Z:\\start\\");
    EXPECT_EQ(FromQString(form->EditFName->text() + "|" + form->EditFolder->text()),
              name + "|" + folder);
  }
}

TEST_F(LaunchTest, OptionsAreRefusedDuringARunAndTheirFilterReachesBothDialogs) {
  TOptForm opt_form(globals.options);
  form->AttachForms(&opt_form, nullptr, status.get());
  globals.shell.IsProcessing = true;
  form->OptionsItemClick();
  globals.shell.IsProcessing = false;
  EXPECT_EQ(boxes.boxes.size(), 1u);

  QTimer::singleShot(0, &opt_form, [&opt_form] {
    opt_form.FOpF1->setText(QStringLiteral("*.out"));
    opt_form.FOpF2->clear();
    opt_form.FOpF5->clear();
    opt_form.OK->click();
  });
  form->OptionsItemClick();
  const std::string expected = Sjis("ﾛｸﾞﾌｧｲﾙ(*.out)|*.out");
  EXPECT_EQ(form->TargetFileDialog.filter, expected);
  EXPECT_EQ(form->EditOrViewDialog.filter, expected);
}

// The real service: a script sees its arguments exactly as given, started
// without a shell, in the current directory.
TEST_F(LaunchTest, RealProgramGetsItsArgumentsUnchanged) {
  const std::string script = work.Native("show args.sh");
  const std::string out = work.Native("args.txt");
  WriteFile(script,
            "#!/bin/sh\ncd \"$(dirname \"$0\")\"\n{ echo \"$OLDPWD\"; for a in \"$@\"; do "
            "printf '%s\\n' \"$a\"; done; } > args.tmp\nmv args.tmp args.txt\n");
  chmod(script.c_str(), 0755);
  ASSERT_EQ(chdir(home.native().c_str()), 0);
  const std::string tricky = "a b \"c\" $(touch pwned) `touch pwned2`.log";
  QtProgramStarter real;
  EXPECT_EQ(real.Start({work.Windows("show args.sh"), tricky, Sjis("表.log")}), 33);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!FileExists(out) && std::chrono::steady_clock::now() < deadline) QThread::msleep(20);
  ASSERT_TRUE(FileExists(out));
  EXPECT_EQ(ReadFile(out), home.native() + "\n" + tricky + "\n表.log\n");
  EXPECT_FALSE(FileExists(home.Native("pwned")));
  EXPECT_EQ(real.Start({"no-such-program.exe"}), platform::kFileNotFound);
}

}  // namespace
}  // namespace quillet::ui
