#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "tests/ui/LaunchDoubles.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageBoxes.h"

namespace quillet::ui {
namespace {

using quillet::testing::FileExists;
using quillet::testing::ReadFile;
using quillet::testing::SetLocalTimeOfDay;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;
using Lines = std::vector<std::string>;

class RunControl : public MainFormFixture {
 protected:
  RunControl() {
    WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
    Create();
  }
  void RunWork(const std::string& pattern = "*.log") { Run(work.windows(), pattern); }
  // Runs `action` once AutoExitTimer waits for the automatic exit, polled from the
  // event loop, which the run lets through at its yields and in that wait.
  void WhenExitWaits(std::function<void()> action) {
    auto* poll = new QTimer(form.get());
    QObject::connect(poll, &QTimer::timeout, [this, poll, action] {
      if (!status->AutoExitTimer->isActive()) return;
      poll->stop();
      action();
    });
    poll->start(1);
  }
  Lines Tail(std::size_t count) const {
    const Lines& log = status->Lines();
    return Lines(log.end() - static_cast<long>(std::min(count, log.size())), log.end());
  }
  const std::string banner = Sjis("[ 通常の処理を行います ]");
  const std::string finished = Sjis("終了しました.");
};

// A second run is set off by a line of dashes, unless the dialog was closed.
TEST_F(RunControl, SeparatorOnlyAfterLinesOfTheOpenDialog) {
  WriteFile(work.Native("a.log"), "DEBUG\r\nkeep\r\n");
  RunWork();
  EXPECT_EQ(ReadFile(work.Native("a.log")), "keep\r\n");
  const std::size_t first_run = status->Lines().size();
  RunWork();
  ASSERT_GT(status->Lines().size(), first_run + 1);
  EXPECT_EQ(status->Lines()[first_run], std::string(46, '-'));
  EXPECT_EQ(status->Lines()[first_run + 1], banner);
  status->close();
  RunWork();
  EXPECT_EQ(status->Lines().front(), banner);
}

TEST_F(RunControl, RefusedFoldersShowTheirBoxAndTouchNothing) {
  WriteFile(work.Native("a.log"), "DEBUG\r\n");
  const std::string not_full = Sjis("フォルダはドライブ名も含んだフルパスで指定してください.\r\r");
  const std::string not_found = Sjis("指定されたフォルダが見つかりません.\r\r");
  const std::pair<std::string, std::string> cases[] = {{"", not_full},
                                                       {"logs", not_full},
                                                       {"\\\\server\\logs", not_full},
                                                       {work.windows() + "\\missing", not_found},
                                                       {"C:\\", not_found}};
  for (const auto& [folder, message] : cases) {
    boxes.boxes.clear();
    globals.shell.AutoExit = true;
    Run(folder, "*.log");
    ASSERT_EQ(boxes.boxes.size(), 1u) << folder;
    EXPECT_EQ(boxes.boxes[0].text, message) << folder;
    EXPECT_FALSE(globals.shell.AutoExit);
    EXPECT_TRUE(status->Lines().empty());
    EXPECT_TRUE(form->LastRun().refused);
    EXPECT_TRUE(form->ExitButton->isEnabled());
  }
  EXPECT_EQ(ReadFile(work.Native("a.log")), "DEBUG\r\n");
}

TEST_F(RunControl, SummaryCountsErrorsAndSkips) {
  for (const char* name : {"r1.log", "r2.log", "s1.log", "s2.log", "s3.log"}) {
    WriteFile(work.Native(name), "x\r\n");
  }
  for (const char* name : {"s1.log", "s2.log", "s3.log"})
    SetLocalTimeOfDay(work.Native(name), 0, 0, 0);
  RunWork("s*.log");
  EXPECT_EQ(Tail(4), (Lines{"", Sjis("計 3個のファイルをスキップしました."), "", finished}));

  chmod(work.Native("r1.log").c_str(), 0444);
  chmod(work.Native("r2.log").c_str(), 0444);
  RunWork();
  EXPECT_EQ(Tail(5), (Lines{"", Sjis("◆◆ 2個のファイルでエラーがありました ◆◆"),
                            Sjis("計 3個のファイルをスキップしました."), "", finished}));
  EXPECT_EQ(form->LastRun().ErrorCount, 2);
  EXPECT_EQ(ExitStatus(form->LastRun()), 1);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(form->Default(), TMainForm::DefaultButton::kExit);
}

// During a run the controls that could start, close or reconfigure are
// off, a second run and the close are refused, and the settings are saved.
TEST_F(RunControl, BusyDuringTheRunAndGivenBackAfterIt) {
  WriteFile(work.Native("a.log"), "x\r\n");
  // Busy, Start, Exit, folder browse, file browse, Options, Exit menu, DefEdit, wait cursor.
  const auto controls = [this] {
    return std::vector<bool>{globals.shell.IsProcessing,
                             form->StartButton->isEnabled(),
                             form->ExitButton->isEnabled(),
                             form->FolderBrowseSB->isEnabled(),
                             form->FileBrowseSB->isEnabled(),
                             form->OptionsItem->isEnabled(),
                             form->ExitItem->isEnabled(),
                             form->DefEdit->isEnabled(),
                             QApplication::overrideCursor() != nullptr};
  };
  std::vector<bool> during;
  QTimer::singleShot(0, [&] {
    during = controls();
    form->StartButtonClick();
    form->close();
    EXPECT_TRUE(FileExists(home.Native("Quillet.ini")));
  });
  RunWork("  *.log ");
  EXPECT_EQ(during,
            (std::vector<bool>{true, false, false, false, false, false, false, true, true}));
  EXPECT_EQ(controls(),
            (std::vector<bool>{false, true, true, true, true, true, true, true, false}));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, Sjis("処理中は、次の処理を実行できません。"));
  EXPECT_EQ(boxes.boxes[1].text, Sjis("処理中は終了できません."));
  EXPECT_FALSE(boxes.boxes[0].waited || boxes.boxes[1].waited);
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(FromQString(form->EditFName->text()), "*.log");
}

// Definition files saved as UTF-8 in the program folder and a subfolder:
// one warning per run, which does not wait, and the run goes on with them.
TEST_F(RunControl, DefinitionsSavedAsUtf8AreWarnedOfOncePerRun) {
  WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n; \xE3\x83\xA1\xE3\x83\xA2\r\n");      // メモ
  WriteFile(work.Native("sub/Quillet.def"), "*DEBUG*\r\n*\xE6\x8E\xA5\xE7\xB6\x9A*\r\n");  // 接続
  WriteFile(work.Native("a.log"), "DEBUG\r\nkeep\r\n");
  WriteFile(work.Native("sub/b.log"), "DEBUG\r\nkeep\r\n");
  form->SubFolderCB->setChecked(true);
  for (int run = 1; run <= 2; ++run) {
    boxes.boxes.clear();
    RunWork();
    ASSERT_EQ(boxes.boxes.size(), 1u) << run;
    EXPECT_TRUE(boxes.boxes[0].text.ends_with("\r\r" + home.Windows("Quillet.def")));
    EXPECT_FALSE(boxes.boxes[0].waited);
    EXPECT_EQ(ReadFile(work.Native("sub/b.log")), "keep\r\n");
  }
}

// The windows of one kind that are shown.
template <typename Window>
std::vector<Window*> Open() {
  std::vector<Window*> open;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* shown = qobject_cast<Window*>(window); shown != nullptr && shown->isVisible())
      open.push_back(shown);
  }
  return open;
}

// The real boxes and file dialog: closing either window while a log file
// is being rewritten raises its refusal, ﾌｧｲﾙ編集 opens its dialog, and the
// run finishes with all three still up; the dialog's answer then starts
// the editor. A watchdog answers a box or dialog that held the run after 3 s.
TEST_F(RunControl, BoxesAndDialogsRaisedMidRewriteDoNotHoldTheRun) {
  std::string text;
  std::string kept;
  for (int i = 0; i < 40000; ++i) {
    text += "DEBUG " + std::to_string(i) + "\r\nkeep\r\n";
    kept += "keep\r\n";
  }
  WriteFile(work.Native("a.log"), text);
  QtMessageBoxes qt_boxes;
  platform::SetMessageBoxes(&qt_boxes);
  QtFileDialogs qt_dialogs;
  platform::SetFileDialogs(&qt_dialogs);
  quillet::testing::RecordingStarter starter;
  bool raised = false;
  auto* poll = new QTimer(form.get());
  QObject::connect(poll, &QTimer::timeout, [&] {
    if (raised || !FileExists(work.Native("a.qu$"))) return;
    raised = true;
    status->close();
    form->close();
    form->EditFilesItem->trigger();
  });
  poll->start(0);
  auto* watchdog = new QTimer(form.get());
  QObject::connect(watchdog, &QTimer::timeout, [] {
    for (QMessageBox* box : Open<QMessageBox>()) box->done(QMessageBox::Ok);
    for (QFileDialog* dialog : Open<QFileDialog>()) dialog->reject();
  });
  watchdog->start(3000);

  RunWork();
  watchdog->stop();
  poll->stop();
  const std::vector<QMessageBox*> open_boxes = Open<QMessageBox>();
  const std::vector<QFileDialog*> open_dialogs = Open<QFileDialog>();
  platform::SetMessageBoxes(&boxes);
  for (QMessageBox* box : open_boxes) box->done(QMessageBox::Ok);
  if (!open_dialogs.empty()) {
    // Typed, as the focused name box takes no selectFile().
    open_dialogs[0]->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("a.log");
    static_cast<QDialog*>(open_dialogs[0])->accept();  // as its Open button does
  }
  platform::SetFileDialogs(nullptr);

  EXPECT_TRUE(raised);
  EXPECT_EQ(ReadFile(work.Native("a.log")), kept);
  EXPECT_EQ(open_boxes.size(), 2u) << "a box was answered before the run ended";
  EXPECT_EQ(open_dialogs.size(), 1u) << "the file dialog was answered before the run ended";
  EXPECT_EQ(starter.command_lines, std::vector<std::string>{R"("notepad.exe" "a.log")"});
  EXPECT_EQ(closed, 0);
}

// The automatic exit closes the program when AutoExitTimer fires, unless OKBttn or a
// click in the log calls it off while the timer runs.
TEST_F(RunControl, AutoExitClosesUnlessCalledOff) {
  WriteFile(work.Native("a.log"), "x\r\n");
  globals.shell.AutoExit = true;
  status->AutoExitTimer->setInterval(50);
  QString caption;
  WhenExitWaits([&] { caption = status->OKBttn->text(); });
  RunWork();
  EXPECT_EQ(FromQString(caption), Sjis("終了ｷｬﾝｾﾙ"));
  EXPECT_TRUE(globals.shell.AutoExitDue);
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(FileExists(home.Native("Quillet.ini")));

  for (bool by_button : {true, false}) {
    status.reset();
    form.reset();
    Create();
    closed = 0;
    globals.shell.AutoExit = true;
    WhenExitWaits([&] { by_button ? status->OKBttn->click() : ClickLog(*status); });
    RunWork();
    EXPECT_EQ(closed, 0) << by_button;
    EXPECT_FALSE(globals.shell.AutoExit);
    EXPECT_EQ(FromQString(status->OKBttn->text()), Sjis("閉じる"));
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(form->Default(), TMainForm::DefaultButton::kExit);
  }
}

}  // namespace
}  // namespace quillet::ui
