#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

#include "tests/support/FaultyFileSystem.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/MainWnd.h"
#include "ui/StartUp.h"

namespace quillet::ui {
namespace {

using quillet::testing::FaultyFileSystem;
using quillet::testing::FileExists;
using quillet::testing::FsOp;
using quillet::testing::ReadFile;
using quillet::testing::Sjis;
using quillet::testing::WriteFile;

std::string Text(const QLineEdit* edit) { return FromQString(edit->text()); }

void SendKey(QWidget* target, Qt::Key key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
}

using MainWndTest = MainFormFixture;

TEST_F(MainWndTest, StartsInTheCurrentFolderWithoutAName) {
  ASSERT_EQ(chdir(work.native().c_str()), 0);
  Create();
  EXPECT_EQ(Text(form->EditFolder), work.windows() + "\\");
  EXPECT_EQ(Text(form->EditFName), "");
  EXPECT_FALSE(form->StartButton->isEnabled());
  EXPECT_EQ(form->Default(), TMainForm::DefaultButton::kNone);

  form.reset();
  ASSERT_EQ(chdir("/"), 0);
  Create();
  EXPECT_EQ(Text(form->EditFolder), "Z:\\");  // a drive root gets no second '\'
}

TEST_F(MainWndTest, FileNameFolderBecomesTheFolderAndTheCurrentDirectory) {
  WriteFile(work.Native("logs/sub/x.log"), "");
  Create({"/S", "/R", work.Windows("logs/*.log")});
  EXPECT_EQ(Text(form->EditFolder), work.Windows("logs/"));
  EXPECT_EQ(Text(form->EditFName), "*.log");
  EXPECT_EQ(CurrentFolderText(), work.Windows("logs/"));
  EXPECT_TRUE(form->SubFolderCB->isChecked());
  EXPECT_TRUE(globals.shell.AutoStart);
  EXPECT_TRUE(form->StartButton->isEnabled());
  EXPECT_EQ(form->Default(), TMainForm::DefaultButton::kStart);

  // A relative folder part is entered too; the run will refuse it.
  form.reset();
  Create({"/A", "sub\\*.log"});
  EXPECT_EQ(Text(form->EditFolder), "sub\\");
  EXPECT_EQ(CurrentFolderText(), work.Windows("logs/sub/"));
  EXPECT_TRUE(globals.shell.AutoExit);

  // Without a file name no run starts by itself.
  form.reset();
  Create({"/A", work.Windows("logs/")});
  EXPECT_FALSE(globals.shell.AutoStart);
  EXPECT_FALSE(globals.shell.AutoExit);
}

TEST_F(MainWndTest, MakesTheDefinitionFileFromTheSample) {
  WriteFile(home.Native("Quillet.smp"), "; c\r\n*a*\rb\\rB");  // three lines, mixed ends
  Create();
  EXPECT_EQ(ReadFile(home.Native("Quillet.def")), "; c\r\n*a*\r\nb\\rB\r\n");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].caption, Sjis("Quillet - 定義ファイル作成"));
  EXPECT_EQ(boxes.boxes[0].text,
            Sjis("定義ファイルがありません。\r\rサンプルの定義ファイルをコピーし"
                 "て、定義ファイルを作成します。"));
  EXPECT_EQ(boxes.boxes[1].caption, Sjis("Quillet - 定義ファイル作成完了"));
  EXPECT_EQ(boxes.boxes[1].icon, platform::MbIcon::kInformation);

  // An existing definition file is left alone, silently.
  WriteFile(home.Native("Quillet.def"), "mine");
  form.reset();
  Create();
  EXPECT_EQ(ReadFile(home.Native("Quillet.def")), "mine");
  EXPECT_EQ(boxes.boxes.size(), 2u);
}

struct CreationFault {
  FsOp op;
  const char* path_suffix;
  const char* message;
};
void PrintTo(const CreationFault& c, std::ostream* os) {
  *os << static_cast<int>(c.op) << " " << c.path_suffix;
}

class DefinitionCreationFaults : public ::testing::TestWithParam<CreationFault> {};

TEST_P(DefinitionCreationFaults, ShowTheirErrorBox) {
  quillet::testing::ScratchDir home;
  quillet::testing::RecordingMessageBoxes boxes;
  WriteFile(home.Native("Quillet.smp"), "*a*\r\n");
  FaultyFileSystem fs;
  fs.Add({GetParam().op, GetParam().path_suffix});
  EXPECT_EQ(CreateDefinitionFile(fs, home.windows() + "\\"), DefinitionFileCreation::kFailed);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].caption, "Quillet ERROR !");
  EXPECT_EQ(boxes.boxes[1].text, Sjis(GetParam().message));
  EXPECT_EQ(boxes.boxes[1].icon, platform::MbIcon::kError);
}

constexpr char kCannotCreate[] = "定義ファイル\"Quillet.def\" が作成できませんでした。";

INSTANTIATE_TEST_SUITE_P(
    OpenReadWriteClose, DefinitionCreationFaults,
    ::testing::Values(
        CreationFault{FsOp::kOpen, "Quillet.smp",
                      "サンプルの定義ファイル\"Quillet.smp\"がオープンできませんでした. "},
        CreationFault{FsOp::kRead, "Quillet.smp", kCannotCreate},
        CreationFault{FsOp::kWrite, "Quillet.def", kCannotCreate},
        CreationFault{FsOp::kClose, "Quillet.def", kCannotCreate}));

TEST_F(MainWndTest, EnterPressesTheFocusedOrElseTheDefaultButton) {
  Create();
  form->show();
  QApplication::setActiveWindow(form.get());
  form->EditFolder->setText("logs\\");  // refused at once by the run
  form->EditFName->setFocus();
  SendKey(form->EditFName, Qt::Key_Return);
  EXPECT_TRUE(boxes.boxes.empty());  // no name: no default button

  form->EditFName->setText("x.log");
  SendKey(form->EditFName, Qt::Key_Return);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            Sjis("フォルダはドライブ名も含んだフルパスで指定してください.\r\r"));

  form->ExitButton->setFocus();
  SendKey(form->ExitButton, Qt::Key_Enter);
  EXPECT_EQ(closed, 1);
}

TEST_F(MainWndTest, HintsOfControlsAndMenusShowInTheStatusLine) {
  Create();
  form->show();
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(form->EditFolder, &enter);
  EXPECT_EQ(FromQString(form->StatusLine->text()), Sjis("処理するﾌｧｲﾙがあるﾌｫﾙﾀﾞを指定します."));
  form->Otion->showStatusText(form->MainMenu);  // as a highlighted item does
  EXPECT_EQ(FromQString(form->StatusLine->text()), Sjis("ｵﾌﾟｼｮﾝﾀﾞｲｱﾛｸﾞを表示します"));
  EXPECT_TRUE(form->EditFolder->toolTip().isEmpty());
  EXPECT_EQ(form->centralWidget()->size(), QSize(413, 212));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
}

TEST_F(MainWndTest, EditBoxesTakeOnlyCharactersWithAShiftJisForm) {
  Create();
  form->EditFName->setFocus();
  SendKey(form->EditFName, Qt::Key_unknown, QString::fromUtf8("\u00E9"));  // é
  SendKey(form->EditFName, Qt::Key_unknown, QString::fromUtf8("表"));
  EXPECT_EQ(Text(form->EditFName), Sjis("表"));
}

TEST_F(MainWndTest, CloseSavesTheSettingsAndStillClosesWhenTheSaveFails) {
  Create();
  globals.options.SpLine = -1;
  form->ExitButtonClick();
  EXPECT_EQ(closed, 1);
  EXPECT_NE(ReadFile(home.Native("Quillet.ini")).find("SpLine=-1\r\n"), std::string::npos);
  EXPECT_TRUE(boxes.boxes.empty());

  setenv("QUILLET_HOME", work.Native("missing").c_str(), 1);
  form->Exit1Click();
  EXPECT_EQ(closed, 2);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Quillet 95");
  EXPECT_EQ(boxes.boxes[0].text, work.Windows("missing/Quillet.ini") + Sjis(" に書き込めません."));
  EXPECT_FALSE(FileExists(work.Native("missing")));
}

}  // namespace
}  // namespace quillet::ui
