#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "tests/ui/MainFormFixture.h"

namespace quillet::ui {
namespace {

using namespace quillet::testing;
using Lines = std::vector<std::string>;

class RunControl : public MainFormFixture {
 protected:
  RunControl() {
    WriteFile(home.Native("Quillet.def"), "*DEBUG*\r\n");
    WriteFile(work.Native("a.log"), "DEBUG\r\nkeep\r\n");
    Create();
  }
  void RunWork(const std::string& pattern = "*.log") { Run(work.windows(), pattern); }
  // Runs `action` once AutoExitTimer waits for the automatic exit, polled from
  // the event loop, which the run lets through at its yields and in that wait.
  void WhenExitWaits(std::function<void()> action) {
    auto* poll = new QTimer(form.get());
    QObject::connect(poll, &QTimer::timeout, [this, poll, action] {
      if (!status->AutoExitTimer->isActive()) return;
      poll->stop();
      action();
    });
    poll->start(1);
  }
};

// A second run is set off by a line of dashes, unless the dialog was closed;
// the summary counts the files in error.
TEST_F(RunControl, SeparatorAndSummaryOfEachRun) {
  RunWork();
  EXPECT_EQ(ReadFile(work.Native("a.log")), "keep\r\n");
  const Lines first = status->Lines();
  chmod(work.Native("a.log").c_str(), 0444);
  RunWork();
  const Lines& both = status->Lines();
  ASSERT_GT(both.size(), first.size() + 3);
  EXPECT_EQ(both[first.size()], std::string(46, '-'));
  EXPECT_EQ(Lines(both.end() - 3, both.end()),
            (Lines{Sjis("◆◆ 1個のファイルでエラーがありました ◆◆"), "", Sjis("終了しました.")}));
  EXPECT_EQ(ExitStatus(form->LastRun()), 1);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(form->Default(), TMainForm::DefaultButton::kExit);
  status->close();
  RunWork();
  EXPECT_EQ(status->Lines().front(), first.front());
}

// A folder the run cannot use is refused with its box before anything starts.
TEST_F(RunControl, RefusedFoldersShowTheirBoxAndTouchNothing) {
  for (const std::string& folder :
       {std::string(), std::string("\\\\server\\logs"), work.windows() + "\\missing"}) {
    boxes.boxes.clear();
    globals.shell.AutoExit = true;
    Run(folder, "*.log");
    ASSERT_EQ(boxes.boxes.size(), 1u) << folder;
    EXPECT_EQ(boxes.boxes[0].icon, platform::MbIcon::kError) << folder;
    EXPECT_FALSE(globals.shell.AutoExit);
    EXPECT_TRUE(status->Lines().empty());
  }
  EXPECT_EQ(ReadFile(work.Native("a.log")), "DEBUG\r\nkeep\r\n");
}

// During a run the controls that could start, close or reconfigure are
// off, a second run and the close are refused, and the settings are saved.
TEST_F(RunControl, BusyDuringTheRunAndGivenBackAfterIt) {
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
  ASSERT_EQ(boxes.boxes.size(), 2u);  // the refusals of the run and of the close
  EXPECT_FALSE(boxes.boxes[0].waited || boxes.boxes[1].waited);
  EXPECT_EQ(closed, 0);
}

// The automatic exit closes the program when AutoExitTimer fires, unless
// OKBttn or a click in the log calls it off while the timer runs.
TEST_F(RunControl, AutoExitClosesUnlessCalledOff) {
  globals.shell.AutoExit = true;
  status->AutoExitTimer->setInterval(50);
  QString caption;
  WhenExitWaits([&] { caption = status->OKBttn->text(); });
  RunWork();
  EXPECT_EQ(FromQString(caption), Sjis("終了ｷｬﾝｾﾙ"));
  EXPECT_EQ(closed, 1);

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
  }
}

}  // namespace
}  // namespace quillet::ui
