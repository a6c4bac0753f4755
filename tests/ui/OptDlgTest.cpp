#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <tuple>

#include "tests/ui/LaunchDoubles.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/OptDlg.h"

namespace quillet {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::Sjis;
using ::testing::HasSubstr;
using ui::FromQString;
using ui::ToQString;

class OptDlgTest : public ::testing::Test {
 protected:
  OptDlgTest() { setenv("QUILLET_HOME", home.native().c_str(), 1); }
  ~OptDlgTest() override { unsetenv("QUILLET_HOME"); }

  TOptForm& Shown() {
    dialog.show();
    return dialog;
  }
  bool Saved() const { return quillet::testing::FileExists(home.Native("Quillet.ini")); }

  quillet::testing::ScratchDir home;
  quillet::testing::RecordingMessageBoxes boxes;
  ProcessingOptions options;
  TOptForm dialog{options};
};

TEST_F(OptDlgTest, AutoSkipLocksTheZeroTimeAndFreesTheSkipList) {
  options.Skip = false;
  options.TimeZ = false;
  options.SkipDisp = true;
  // Zero time checked and enabled, skip list enabled and checked.
  const auto state = [this] {
    return std::vector<bool>{dialog.FOpTimeZ->isChecked(), dialog.FOpTimeZ->isEnabled(),
                             dialog.FOpSkipDisp->isEnabled(), dialog.FOpSkipDisp->isChecked()};
  };
  Shown();
  EXPECT_EQ(state(), (std::vector<bool>{false, true, false, true}));  // at the very first showing
  dialog.FOpSkip->click();
  EXPECT_EQ(state(), (std::vector<bool>{true, false, true, true}));
  dialog.FOpSkip->click();
  EXPECT_EQ(state(), (std::vector<bool>{true, true, false, true}));
}

TEST_F(OptDlgTest, OkFollowsBothExtensionBoxesButNotTheEditor) {
  Shown();
  for (QLineEdit* box : {dialog.FOpIncExt, dialog.FOpBackExt}) {
    box->setText(QStringLiteral(" \t"));
    EXPECT_FALSE(dialog.OK->isEnabled());
    box->setText(QStringLiteral("x"));
    EXPECT_TRUE(dialog.OK->isEnabled());
  }
  dialog.FOpEditor->clear();
  EXPECT_TRUE(dialog.OK->isEnabled());
}

// Compared byte for byte after trimming: case differs, so "QU$" is accepted.
TEST_F(OptDlgTest, EqualExtensionsAreRefused) {
  for (const auto& [back, inc] : {std::pair{"qu$", "qu$"}, {" qu$", "qu$ "}}) {
    Shown();
    dialog.FOpBackExt->setText(QString::fromLatin1(back));
    dialog.FOpIncExt->setText(QString::fromLatin1(inc));
    dialog.OK->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(options.IncExt, "inc");  // nothing stored
  }
  EXPECT_FALSE(Saved());
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].icon, platform::MbIcon::kError);

  dialog.FOpBackExt->setText(QStringLiteral("QU$"));
  dialog.OK->click();
  EXPECT_TRUE(Saved());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(options.IncExt, "qu$");
}

// Any stored value other than 0 and 1 shows as "all" and is stored back as -1.
TEST_F(OptDlgTest, ShowsAndStoresTheBlankLineChoice) {
  for (auto [stored, selected, after_ok] : {std::tuple{5, "FOpAll", -1},
                                            {-1, "FOpAll", -1},
                                            {1, "FOpOneBlank", 1},
                                            {0, "FOpNoBlank", 0}}) {
    options.SpLine = stored;
    Shown();
    auto* button = dialog.findChild<QRadioButton*>(QString::fromLatin1(selected));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isChecked()) << stored;
    dialog.OKClick();
    EXPECT_EQ(options.SpLine, after_ok);
  }
}

TEST_F(OptDlgTest, OkStoresTrimmedTextsHandsOnTheFilterAndSaves) {
  std::string filter;
  dialog.SetFilterHandler([&filter](const std::string& text) { filter = text; });
  Shown();
  dialog.FOpF3->setText(QStringLiteral(" *.csv\t"));
  dialog.FOpS3->setText(ToQString(Sjis(" 表計算 ")));
  dialog.FOpS4->setText(QStringLiteral("no pattern"));
  dialog.FOpEditor->setText(QStringLiteral("   "));
  dialog.FOpSingle->setChecked(true);
  dialog.FOpUtf8->click();
  dialog.OK->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(options.F3, "*.csv");
  EXPECT_EQ(options.S3, Sjis("表計算"));
  EXPECT_EQ(options.Editor, "notepad.exe");
  EXPECT_FALSE(options.Multi);
  EXPECT_EQ(filter, Sjis("ﾛｸﾞﾌｧｲﾙ(*.log)|*.log|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|表計算(*.csv)|*.csv|"
                         "全てのﾌｧｲﾙ(*.*)|*.*"));
  EXPECT_EQ(options.Code, TextCode::kUtf8);
  EXPECT_THAT(ReadFile(home.Native("Quillet.ini")), HasSubstr("F3=*.csv"));
  EXPECT_THAT(ReadFile(home.Native("Quillet.ini")), HasSubstr("\r\nCode=UTF-8\r\n"));
  Shown();
  EXPECT_TRUE(dialog.FOpUtf8->isChecked());
  dialog.FOpShiftJis->click();
  dialog.OK->click();
  EXPECT_EQ(options.Code, TextCode::kShiftJis);
}

TEST_F(OptDlgTest, CancelDiscardsTheEdits) {
  Shown();
  dialog.FOpBackExt->setText(QStringLiteral("bak"));
  dialog.FOpTrimOff->setChecked(true);
  dialog.Cancel->click();
  EXPECT_EQ(std::pair(options.BackExt, options.Trim), std::pair(std::string("qu$"), true));
  Shown();
  EXPECT_EQ(dialog.FOpBackExt->text(), QStringLiteral("qu$"));
  EXPECT_FALSE(Saved());
}

TEST_F(OptDlgTest, FailedSaveKeepsTheDialogOpenWithTheRecordChanged) {
  quillet::testing::WriteFile(home.Native("Quillet.ini"), "");
  chmod(home.Native("Quillet.ini").c_str(), 0444);
  Shown();
  dialog.FOpBackExt->setText(QStringLiteral("bak"));
  dialog.OK->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(options.BackExt, "bak");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(OptDlgTest, BrowsingForTheEditorStartsAtItsFolderAndKeepsTheCurrentDirectory) {
  quillet::testing::ScriptedFileDialogs dialogs;
  quillet::testing::ScratchDir bin;
  quillet::testing::WriteFile(bin.Native("ed"), "");
  const std::string before = ui::WorkingDirectory();
  Shown();
  dialog.FOpEditor->setText(QStringLiteral("Z:\\usr\\bin\\gedit"));
  dialogs.chosen = {bin.Windows("ed")};
  dialog.EditorBrowse->click();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].file_name, "gedit");
  EXPECT_EQ(dialogs.shown[0].initial_dir, "Z:\\usr\\bin\\");
  EXPECT_EQ(FromQString(dialog.FOpEditor->text()), bin.Windows("ed"));
  EXPECT_EQ(ui::WorkingDirectory(), before);
}

// ﾍﾙﾌﾟ keeps the focus after its click, and with it the default role; the
// next showing gives that back to OK, so Enter saves rather than opening
// the help again.
TEST_F(OptDlgTest, OpensWithOkAsTheDefaultEvenAfterHelpWasUsed) {
  quillet::testing::RecordingHelp help;
  Shown();
  QApplication::setActiveWindow(&dialog);
  dialog.Help->setFocus();
  dialog.Help->click();
  ASSERT_TRUE(dialog.Help->isDefault());
  dialog.reject();

  Shown();
  QApplication::setActiveWindow(&dialog);
  EXPECT_TRUE(dialog.OK->isDefault());
  EXPECT_FALSE(dialog.Help->isDefault());
  ui::PressKey(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Return);
  EXPECT_EQ(help.topics, std::vector<std::string>{"HID00000019"});
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(Saved());
}

}  // namespace
}  // namespace quillet
