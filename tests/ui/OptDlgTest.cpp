#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <climits>
#include <cstdlib>

#include "config/OptDlg.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestUtil.h"
#include "tests/ui/LaunchDoubles.h"
#include "ui/QtText.h"

namespace quillet {
namespace {

using quillet::testing::ReadFile;
using quillet::testing::Sjis;
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

TEST_F(OptDlgTest, PagesInOrderAtTheFixedClientSize) {
  EXPECT_EQ(dialog.size(), QSize(413, 357));
  const char* captions[] = {"ﾌｧｲﾙ処理", "ｵｰﾄｽｷｯﾌﾟ ", "拡張子", "ｴﾃﾞｨﾀ", "ﾌｨﾙﾀ"};
  ASSERT_EQ(dialog.PageControl1->count(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(FromQString(dialog.PageControl1->tabText(i)), Sjis(captions[i])) << i;
  }
  EXPECT_TRUE(dialog.FOpBackExt->font().fixedPitch());
  // A later showing opens on the page left active.
  Shown().PageControl1->setCurrentIndex(3);
  dialog.CancelClick();
  EXPECT_EQ(Shown().PageControl1->currentIndex(), 3);
}

TEST_F(OptDlgTest, AutoSkipLocksTheZeroTimeAndFreesTheSkipList) {
  options.Skip = false;
  options.TimeZ = false;
  options.SkipDisp = true;
  Shown();
  EXPECT_FALSE(dialog.FOpSkipDisp->isEnabled());  // greyed at the very first showing
  EXPECT_TRUE(dialog.FOpSkipDisp->isChecked());
  dialog.FOpSkip->click();
  EXPECT_TRUE(dialog.FOpTimeZ->isChecked());
  EXPECT_FALSE(dialog.FOpTimeZ->isEnabled());
  EXPECT_TRUE(dialog.FOpSkipDisp->isEnabled());
  dialog.FOpSkip->click();
  EXPECT_TRUE(dialog.FOpTimeZ->isChecked());
  EXPECT_TRUE(dialog.FOpTimeZ->isEnabled());
  EXPECT_FALSE(dialog.FOpSkipDisp->isEnabled());
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

struct ExtensionCase {
  const char* back;
  const char* inc;
  bool accepted;
};
class OptDlgExtensions : public OptDlgTest, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(OptDlgExtensions, EqualExtensionsAreRefusedByteForByte) {
  const ExtensionCase& c = GetParam();
  Shown();
  dialog.FOpBackExt->setText(QString::fromLatin1(c.back));
  dialog.FOpIncExt->setText(QString::fromLatin1(c.inc));
  dialog.OK->click();
  EXPECT_EQ(Saved(), c.accepted);
  EXPECT_EQ(dialog.isVisible(), !c.accepted);
  if (c.accepted) {
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(options.IncExt, "qu$");
  } else {
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Quillet ERROR !");
    EXPECT_EQ(boxes.boxes[0].text,
              Sjis("テンポラリファイルとインクリメントファイルの拡張子は同じにできません."));
    EXPECT_EQ(boxes.boxes[0].icon, platform::MbIcon::kError);
    EXPECT_EQ(options.IncExt, "inc");  // nothing stored
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, OptDlgExtensions,
                         ::testing::Values(ExtensionCase{"qu$", "qu$", false},
                                           ExtensionCase{" qu$", "qu$ ", false},
                                           ExtensionCase{"QU$", "qu$", true}));

struct SpLineCase {
  int stored;
  const char* selected;
  int after_ok;
};
class OptDlgSpLine : public OptDlgTest, public ::testing::WithParamInterface<SpLineCase> {};

TEST_P(OptDlgSpLine, ShowsAndStoresTheBlankLineChoice) {
  const SpLineCase& c = GetParam();
  options.SpLine = c.stored;
  Shown();
  auto* selected = dialog.findChild<QRadioButton*>(QString::fromLatin1(c.selected));
  ASSERT_NE(selected, nullptr);
  EXPECT_TRUE(selected->isChecked());
  dialog.OKClick();
  EXPECT_EQ(options.SpLine, c.after_ok);
}

INSTANTIATE_TEST_SUITE_P(Cases, OptDlgSpLine,
                         ::testing::Values(SpLineCase{5, "FOpAll", -1},
                                           SpLineCase{-1, "FOpAll", -1},
                                           SpLineCase{1, "FOp1gyo", 1},
                                           SpLineCase{0, "FOp0gyo", 0}));

TEST_F(OptDlgTest, OkStoresTrimmedTextsHandsOnTheFilterAndSaves) {
  std::string filter;
  dialog.SetFilterHandler([&filter](const std::string& text) { filter = text; });
  Shown();
  dialog.FOpF3->setText(QStringLiteral(" *.csv\t"));
  dialog.FOpS3->setText(ToQString(Sjis(" 表計算 ")));
  dialog.FOpS4->setText(QStringLiteral("no pattern"));
  dialog.FOpEditor->setText(QStringLiteral("   "));
  dialog.FOpSingle->setChecked(true);
  dialog.OK->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(options.F3, "*.csv");
  EXPECT_EQ(options.S3, Sjis("表計算"));
  EXPECT_EQ(options.Editor, "notepad.exe");
  EXPECT_FALSE(options.Multi);
  EXPECT_EQ(filter, Sjis("ﾛｸﾞﾌｧｲﾙ(*.log)|*.log|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|表計算(*.csv)|*.csv|"
                         "全てのﾌｧｲﾙ(*.*)|*.*"));
  EXPECT_NE(ReadFile(home.Native("Quillet.ini")).find("F3=*.csv"), std::string::npos);
}

TEST_F(OptDlgTest, CancelDiscardsTheEdits) {
  Shown();
  dialog.FOpBackExt->setText(QStringLiteral("bak"));
  dialog.FOpTrimOff->setChecked(true);
  dialog.Cancel->click();
  EXPECT_EQ(options.BackExt, "qu$");
  EXPECT_TRUE(options.Trim);
  Shown();
  EXPECT_EQ(dialog.FOpBackExt->text(), QStringLiteral("qu$"));
  EXPECT_TRUE(dialog.FOpTrim->isChecked());
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
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Quillet 95");
  EXPECT_EQ(boxes.boxes[0].text.back(), '.');
}

TEST_F(OptDlgTest, BrowsingForTheEditorKeepsTheCurrentDirectory) {
  quillet::testing::ScriptedFileDialogs dialogs;
  quillet::testing::ScratchDir bin;
  quillet::testing::WriteFile(bin.Native("ed"), "");
  char before[PATH_MAX];
  ASSERT_NE(getcwd(before, sizeof before), nullptr);
  Shown();
  dialog.FOpEditor->setText(QStringLiteral("Z:\\usr\\bin\\gedit"));
  dialogs.chosen = {bin.Windows("ed")};
  dialog.Sansyo->click();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].file_name, "gedit");
  EXPECT_EQ(dialogs.shown[0].initial_dir, "Z:\\usr\\bin\\");
  EXPECT_EQ(FromQString(dialog.FOpEditor->text()), bin.Windows("ed"));
  char after[PATH_MAX];
  ASSERT_NE(getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(after, before);
}

TEST_F(OptDlgTest, HelpOpensTheOptionsTopic) {
  quillet::testing::RecordingHelp help;
  Shown().Help->click();
  ASSERT_EQ(help.topics.size(), 1u);
  EXPECT_EQ(help.topics[0], "HID00000019");
  EXPECT_EQ(help.files[0], home.windows() + "\\Quillet.hlp");
}

}  // namespace
}  // namespace quillet
