#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "tests/ui/LaunchDoubles.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/OptDlg.h"

namespace quillet {
namespace {

using namespace quillet::testing;
using ::testing::HasSubstr;

class OptDlgTest : public ::testing::Test {
 protected:
  OptDlgTest() { setenv("QUILLET_HOME", home.native().c_str(), 1); }
  ~OptDlgTest() override { unsetenv("QUILLET_HOME"); }

  bool Saved() const { return FileExists(home.Native("Quillet.ini")); }

  ScratchDir home;
  RecordingMessageBoxes boxes;
  ProcessingOptions options;
  TOptForm dialog{options};
};

// OK needs both extensions but not the editor; equal ones (byte for byte
// after trimming, so "QU$" differs from "qu$") are refused and not stored.
TEST_F(OptDlgTest, ExtensionsMustBeGivenAndDiffer) {
  dialog.show();
  for (QLineEdit* box : {dialog.FOpIncExt, dialog.FOpBackExt}) {
    box->setText(QStringLiteral(" \t"));
    EXPECT_FALSE(dialog.OK->isEnabled());
    box->setText(QStringLiteral("x"));
    EXPECT_TRUE(dialog.OK->isEnabled());
  }
  dialog.FOpEditor->clear();
  EXPECT_TRUE(dialog.OK->isEnabled());
  dialog.FOpBackExt->setText(QStringLiteral(" qu$"));
  dialog.FOpIncExt->setText(QStringLiteral("qu$ "));
  dialog.OK->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(options.IncExt, "inc");
  EXPECT_FALSE(Saved());
  EXPECT_EQ(boxes.boxes.size(), 1u);

  dialog.FOpBackExt->setText(QStringLiteral("QU$"));
  dialog.OK->click();
  EXPECT_TRUE(Saved());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(options.IncExt, "qu$");
}

TEST_F(OptDlgTest, OkStoresTrimmedTextsHandsOnTheFilterAndSaves) {
  std::string filter;
  dialog.SetFilterHandler([&filter](const std::string& text) { filter = text; });
  dialog.show();
  for (int row = 1; row <= 5; ++row) {  // the filter rows are numbered from 1
    const QString n = QString::number(row);
    const auto* label = dialog.findChild<QLabel*>("FilterNumber" + n);
    ASSERT_TRUE(label && label->text() == n + ".") << row;
  }
  dialog.FOpF3->setText(QStringLiteral(" *.csv\t"));
  dialog.FOpS3->setText(ui::ToQString(Sjis(" 表計算 ")));
  dialog.FOpS4->setText(QStringLiteral("no pattern"));
  dialog.FOpEditor->setText(QStringLiteral("   "));
  dialog.FOpSingle->setChecked(true);
  dialog.FOpUtf8->click();
  dialog.OK->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(std::tuple(options.Editor, options.Multi, options.Code),
            std::tuple(std::string("notepad.exe"), false, TextCode::kUtf8));
  EXPECT_EQ(filter, Sjis("ﾛｸﾞﾌｧｲﾙ(*.log)|*.log|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|表計算(*.csv)|*.csv|"
                         "全てのﾌｧｲﾙ(*.*)|*.*"));
  EXPECT_THAT(ReadFile(home.Native("Quillet.ini")), HasSubstr("\r\nCode=UTF-8\r\n"));
}

TEST_F(OptDlgTest, CancelDiscardsTheEditsAndAFailedSaveKeepsTheDialogOpen) {
  dialog.show();
  dialog.FOpBackExt->setText(QStringLiteral("bak"));
  dialog.FOpTrimOff->setChecked(true);
  dialog.Cancel->click();
  EXPECT_EQ(std::pair(options.BackExt, options.Trim), std::pair(std::string("qu$"), true));
  dialog.show();
  EXPECT_EQ(dialog.FOpBackExt->text(), QStringLiteral("qu$"));
  EXPECT_FALSE(Saved());

  WriteFile(home.Native("Quillet.ini"), "");
  chmod(home.Native("Quillet.ini").c_str(), 0444);
  dialog.FOpBackExt->setText(QStringLiteral("bak"));
  dialog.OK->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(options.BackExt, "bak");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

}  // namespace
}  // namespace quillet
