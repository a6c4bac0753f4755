#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <chrono>

#include "config/OptDlg.h"
#include "tests/ui/LaunchDoubles.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/Aboutdlg.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtProgramStarter.h"

namespace quillet::ui {
namespace {

using quillet::testing::Sjis;
using quillet::testing::WriteFile;

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

class LaunchTest : public MainFormFixture {
 protected:
  LaunchTest() {
    Create();
    for (const char* name : {"a.log", "b.log", "c.log"}) WriteFile(work.Native(name), "x\r\n");
    dialogs.chosen = {work.Windows("a.log"), work.Windows("b.log"), work.Windows("c.log")};
  }

  quillet::testing::RecordingStarter starter;
  quillet::testing::ScriptedFileDialogs dialogs;
};

struct EditCase {
  bool multi;
  int result;
  std::vector<std::string> command_lines;
  int boxes;
};
class EditerCommand : public LaunchTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditerCommand, StartsTheEditorOnTheChosenNamesInTheirFolder) {
  const EditCase& c = GetParam();
  globals.options.Multi = c.multi;
  starter.result = c.result;
  form->EditFolder->setText(ToQString(work.windows()));
  form->EditerClick();
  EXPECT_EQ(starter.command_lines, c.command_lines);
  EXPECT_EQ(CurrentDirectory(), work.native());
  ASSERT_EQ(boxes.boxes.size(), static_cast<std::size_t>(c.boxes));
  if (c.boxes == 1) {
    EXPECT_EQ(boxes.boxes[0].caption, "Quillet");
    EXPECT_EQ(boxes.boxes[0].text, Sjis("エディタを起動できませんでした。\r\r"
                                        "オプションダイアログの設定を確認して下さい。"));
  }
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(dialogs.shown[0].multi_select);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditerCommand,
    ::testing::Values(EditCase{false, 33, {R"("notepad.exe" "a.log" "b.log" "c.log")"}, 0},
                      EditCase{true,
                               33,
                               {R"("notepad.exe" "a.log")", R"("notepad.exe" "b.log")",
                                R"("notepad.exe" "c.log")"},
                               0},
                      // One message, however many files: the first failure stops the command.
                      EditCase{true, 2, {R"("notepad.exe" "a.log")"}, 1},
                      EditCase{false, 31, {R"("notepad.exe" "a.log" "b.log" "c.log")"}, 1}));

TEST_F(LaunchTest, CancelledDialogStartsNothing) {
  dialogs.chosen.clear();
  form->EditerClick();
  form->CorvaneL1Click();
  EXPECT_TRUE(starter.command_lines.empty());
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(LaunchTest, DefinitionFileIsEditedByFullPathEvenWhenMissing) {
  globals.options.Editor = "Z:\\opt\\my editor";
  form->DefEditClick();
  EXPECT_EQ(starter.command_lines, std::vector<std::string>{"\"Z:\\opt\\my editor\" \"" +
                                                            home.windows() + "\\Quillet.def\""});
}

TEST_F(LaunchTest, ViewerStartsOncePerFileAndStopsAtTheFirstFailure) {
  globals.options.Multi = false;  // plays no part for the viewer
  form->CorvaneL1Click();
  const std::string viewer = home.windows() + "\\Corvane";
  ASSERT_EQ(starter.command_lines.size(), 3u);
  EXPECT_EQ(starter.command_lines[2], "\"" + viewer + "\" \"c.log\"");
  starter.command_lines.clear();
  starter.result = 0;
  form->CorvaneL1Click();
  EXPECT_EQ(starter.command_lines.size(), 1u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, Sjis("Corvane 95 を起動できませんでした。\r\r"
                                      "オプションダイアログの設定を確認して下さい。"));
}

TEST_F(LaunchTest, ToolsMenuIsMergedOnlyForAnExistingViewerFile) {
  const auto merged = [this] { return form->MainMenu->actions().contains(form->T1->menuAction()); };
  form->FormActivate();
  EXPECT_FALSE(merged());  // no Corvane in the program folder
  ASSERT_EQ(mkdir(home.Native("Corvane").c_str(), 0755), 0);
  form->FormActivate();
  EXPECT_FALSE(merged());  // a folder is no program
  rmdir(home.Native("Corvane").c_str());
  WriteFile(home.Native("Corvane"), "");
  form->FormActivate();
  form->FormActivate();
  ASSERT_TRUE(merged());
  const QList<QAction*> menus = form->MainMenu->actions();
  EXPECT_EQ(menus.indexOf(form->T1->menuAction()) + 1, menus.indexOf(form->Help1->menuAction()));
  EXPECT_EQ(menus.count(form->T1->menuAction()), 1);
}

struct BrowseCase {
  const char* chosen_utf8;  // relative to the scratch folder, "" for its root
  const char* name;
  bool root;
};
class FileBrowse : public LaunchTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(FileBrowse, ChosenFileFillsNameAndFolder) {
  const BrowseCase& c = GetParam();
  form->EditFolder->setText(QStringLiteral("Z:\\start\\"));
  form->EditFName->setText(QStringLiteral("*.log"));
  const std::string chosen = c.root ? std::string("Z:\\") + c.name : work.Windows(c.chosen_utf8);
  dialogs.chosen = {chosen};
  form->FileBrowseSBClick();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].initial_dir, "Z:\\start\\");
  EXPECT_EQ(dialogs.shown[0].file_name, "*.log");
  EXPECT_EQ(dialogs.shown[0].filter, form->FileFilter());
  EXPECT_EQ(FromQString(form->EditFName->text()), Sjis(c.name));
  const std::string folder = chosen.substr(0, chosen.size() - Sjis(c.name).size());
  EXPECT_EQ(FromQString(form->EditFolder->text()),
            c.root ? folder : folder.substr(0, folder.size() - 1));
  EXPECT_TRUE(form->StartButton->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Cases, FileBrowse,
                         ::testing::Values(BrowseCase{"a.log", "a.log", false},
                                           BrowseCase{"表/app.log", "app.log", false},
                                           BrowseCase{"", "app.log", true}));

TEST_F(LaunchTest, CancelledFileBrowseChangesNothing) {
  dialogs.chosen.clear();
  form->EditFolder->setText(QStringLiteral("Z:\\start\\"));
  form->FileBrowseSBClick();
  EXPECT_EQ(form->EditFolder->text(), QStringLiteral("Z:\\start\\"));
  EXPECT_FALSE(form->StartButton->isEnabled());
}

TEST_F(LaunchTest, ChosenFolderBecomesTheFolderTextAndTheCurrentDirectory) {
  form->FolderBrowseSBClick();  // cancelled
  EXPECT_NE(CurrentDirectory(), work.native());
  dialogs.folder = work.windows();
  form->FolderBrowseSBClick();
  EXPECT_EQ(FromQString(form->EditFolder->text()), work.windows());
  EXPECT_EQ(CurrentDirectory(), work.native());
  EXPECT_EQ(dialogs.folder_titles[0], Sjis("ﾌｫﾙﾀﾞを選択してください."));
}

TEST_F(LaunchTest, OptionsAreRefusedDuringARunAndTheirFilterReachesBothDialogs) {
  TOptForm opt_form(globals.options);
  TAboutForm about_form;
  form->AttachForms(&opt_form, &about_form, status.get());
  globals.shell.IsProcessing = true;
  form->OtionClick();
  globals.shell.IsProcessing = false;
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, Sjis("処理中はオプションを変更できません."));

  QTimer::singleShot(0, &opt_form, [&opt_form] {
    opt_form.FOpF1->setText(QStringLiteral("*.out"));
    opt_form.FOpF2->clear();
    opt_form.FOpF5->clear();
    opt_form.OK->click();
  });
  form->OtionClick();
  const std::string expected = Sjis("ﾛｸﾞﾌｧｲﾙ(*.out)|*.out");
  EXPECT_EQ(form->OpenDialog1.filter, expected);
  EXPECT_EQ(form->OpenDialog2.filter, expected);
}

TEST_F(LaunchTest, HelpTopicsOfEachWindow) {
  quillet::testing::RecordingHelp help;
  form->AttachForms(nullptr, nullptr, status.get());
  form->HelpIndexClick();
  form->Help1->menuAction()->trigger();  // F1
  status->HelpBttnClick();
  EXPECT_EQ(help.topics, (std::vector<std::string>{"contents", "HID00000021", "HID00000020"}));
  EXPECT_EQ(help.files[0], home.windows() + "\\Quillet.hlp");
}

TEST_F(LaunchTest, AboutBoxShowsTheVersionAndEscClosesWithOk) {
  TAboutForm about_form;
  form->AttachForms(nullptr, &about_form, status.get());
  QTimer::singleShot(0, &about_form, [&about_form] {
    EXPECT_EQ(about_form.FVersion->text(), QStringLiteral("Version 1.25"));
    about_form.reject();
  });
  form->About1Click();
  EXPECT_EQ(about_form.result(), QDialog::Accepted);
  EXPECT_FALSE(about_form.IconImage->pixmap().isNull());
}

struct FilterCase {
  const char* filter_utf8;
  const char* qt_utf8;
};
class QtFilterTable : public ::testing::TestWithParam<FilterCase> {};

TEST_P(QtFilterTable, TranslatesRowsToQtForm) {
  EXPECT_EQ(QtFilter(Sjis(GetParam().filter_utf8)), QString::fromUtf8(GetParam().qt_utf8));
}

INSTANTIATE_TEST_SUITE_P(Cases, QtFilterTable,
                         ::testing::Values(FilterCase{"ﾛｸﾞﾌｧｲﾙ(*.log)|*.log|全てのﾌｧｲﾙ(*.*)|*.*",
                                                      "ﾛｸﾞﾌｧｲﾙ (*.log);;全てのﾌｧｲﾙ (*)"},
                                           FilterCase{"実行ﾌｧｲﾙ(*.exe;*.pif)|*.exe;*.pif",
                                                      "実行ﾌｧｲﾙ (*.exe *.pif)"},
                                           FilterCase{"(*.a)|*.a", " (*.a)"}, FilterCase{"", ""}));

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
  while (!quillet::testing::FileExists(out) && std::chrono::steady_clock::now() < deadline) {
    QThread::msleep(20);
  }
  ASSERT_TRUE(quillet::testing::FileExists(out));
  EXPECT_EQ(quillet::testing::ReadFile(out), home.native() + "\n" + tricky + "\n表.log\n");
  EXPECT_FALSE(quillet::testing::FileExists(home.Native("pwned")));
  EXPECT_EQ(real.Start({"no-such-program.exe"}), platform::kFileNotFound);
}

}  // namespace
}  // namespace quillet::ui
