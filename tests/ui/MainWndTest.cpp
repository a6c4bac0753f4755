#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>

#include "tests/support/FaultyFileSystem.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/MainWnd.h"
#include "ui/StartUp.h"

namespace quillet::ui {
namespace {

using namespace quillet::testing;

std::string Text(const QLineEdit* edit) { return FromQString(edit->text()); }

using MainWndTest = MainFormFixture;

TEST_F(MainWndTest, StartsInTheCurrentFolderWithoutAName) {
  ASSERT_EQ(chdir(work.native().c_str()), 0);
  Create();
  EXPECT_EQ(Text(form->EditFolder) + "|" + Text(form->EditFName), work.windows() + "\\|");
  EXPECT_FALSE(form->StartButton->isEnabled());
}

TEST_F(MainWndTest, FileNameFolderBecomesTheFolderAndTheCurrentDirectory) {
  WriteFile(work.Native("logs/sub/x.log"), "");
  Create({"/S", "/R", work.Windows("logs/*.log")});
  EXPECT_EQ(Text(form->EditFolder) + "|" + Text(form->EditFName), work.Windows("logs/") + "|*.log");
  EXPECT_EQ(CurrentFolderText(), work.Windows("logs/"));
  EXPECT_TRUE(form->SubFolderCB->isChecked() && globals.shell.AutoStart);
  EXPECT_EQ(form->Default(), TMainForm::DefaultButton::kStart);

  // Without a file name no run starts by itself.
  form.reset();
  Create({"/A", work.Windows("logs/")});
  EXPECT_FALSE(globals.shell.AutoStart);
  EXPECT_FALSE(globals.shell.AutoExit);
}

TEST_F(MainWndTest, FolderBoxTakesAUnixPathAndShowsItsDriveForm) {
  WriteFile(work.Native("logs/a.log"), "");
  Create();
  // Leaving the box by Enter shows the folder the run will use; a run takes
  // the Unix form as well, and refuses a relative one as typed.
  form->EditFolder->setText(QString::fromStdString(work.Native("logs")));
  PressKey(form->EditFolder, Qt::Key_Return);
  EXPECT_EQ(Text(form->EditFolder), work.Windows("logs/"));
  Run(work.Native("logs/"), "*.log");
  EXPECT_EQ(Text(form->EditFolder), work.Windows("logs/"));
  EXPECT_FALSE(form->LastRun().refused);
  Run("logs", "*.log");
  EXPECT_TRUE(form->LastRun().refused);
}

TEST_F(MainWndTest, MakesTheDefinitionFileFromTheSample) {
  WriteFile(home.Native("Quillet.smp"), "; c\r\n*a*\rb\\rB");  // three lines, mixed ends
  Create();
  EXPECT_EQ(ReadFile(home.Native("Quillet.def")), "; c\r\n*a*\r\nb\\rB\r\n");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].icon, platform::MbIcon::kInformation);

  // An existing definition file is left alone, silently.
  WriteFile(home.Native("Quillet.def"), "mine");
  form.reset();
  Create();
  EXPECT_EQ(ReadFile(home.Native("Quillet.def")), "mine");
  EXPECT_EQ(boxes.boxes.size(), 2u);
}

// The box names the file that failed.
TEST(DefinitionCreation, EachFailingStepShowsItsErrorBox) {
  for (const auto& [op, file] :
       {std::pair{FsOp::kOpen, "Quillet.smp"}, {FsOp::kWrite, "Quillet.def"}}) {
    ScratchDir home;
    RecordingMessageBoxes boxes;
    WriteFile(home.Native("Quillet.smp"), "*a*\r\n");
    FaultyFileSystem fs;
    fs.Add({op, file});
    EXPECT_EQ(CreateDefinitionFile(fs, home.windows() + "\\"), DefinitionFileCreation::kFailed);
    ASSERT_EQ(boxes.boxes.size(), 2u) << file;
    EXPECT_THAT(boxes.boxes[1].text, ::testing::HasSubstr(std::string("\"") + file + "\"")) << file;
  }
}

// Enter presses the focused or else the default button, and no other key
// does; the name box takes only characters with a Shift-JIS form.
TEST_F(MainWndTest, EnterPressesTheFocusedOrElseTheDefaultButton) {
  Create();
  form->show();
  QApplication::setActiveWindow(form.get());
  form->EditFolder->setText("logs\\");  // refused at once by the run
  form->EditFName->setFocus();
  PressKey(form->EditFName, Qt::Key_Return);
  EXPECT_TRUE(boxes.boxes.empty());  // no name: no default button
  PressKey(form->EditFName, Qt::Key_unknown, QString::fromUtf8("\u00E9"));  // é
  PressKey(form->EditFName, Qt::Key_unknown, QString::fromUtf8("表"));
  EXPECT_EQ(Text(form->EditFName), Sjis("表"));
  PressKey(form->EditFName, Qt::Key_F5);
  EXPECT_TRUE(boxes.boxes.empty());
  PressKey(form->EditFName, Qt::Key_Return);
  EXPECT_EQ(boxes.boxes.size(), 1u);  // the run's refusal of the folder

  form->ExitButton->setFocus();
  PressKey(form->ExitButton, Qt::Key_Enter);
  EXPECT_EQ(closed, 1);
}

TEST_F(MainWndTest, CloseSavesTheSettingsAndStillClosesWhenTheSaveFails) {
  Create();
  globals.options.SpLine = -1;
  form->ExitButtonClick();
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(ReadFile(home.Native("Quillet.ini")).find("SpLine=-1\r\n") != std::string::npos);
  EXPECT_TRUE(boxes.boxes.empty());

  setenv("QUILLET_HOME", work.Native("missing").c_str(), 1);
  form->ExitItemClick();
  EXPECT_EQ(closed, 2);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, work.Windows("missing/Quillet.ini") + Sjis(" に書き込めません."));
  EXPECT_FALSE(FileExists(work.Native("missing")));
}

}  // namespace
}  // namespace quillet::ui
