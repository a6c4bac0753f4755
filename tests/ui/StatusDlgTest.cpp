#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "core/Texts.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/QtMessageBoxes.h"

namespace quillet::ui {
namespace {

using quillet::testing::Sjis;
using Lines = std::vector<std::string>;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(QtText, ReplacesOnlyTheCharactersWithoutAFormInTheOtherCode) {
  EXPECT_EQ(ToQString("C:\\\x95\x5C.log"), U("C:\\表.log"));  // 表 is 95 5C
  // 0x80 alone, the unmapped pair 85 40, a lead byte at the end: U+FFFD each.
  EXPECT_EQ(ToQString("a\x80z\x85\x40y\x81"), U("a\uFFFDz\uFFFDy\uFFFD"));
  // é has no Shift-JIS form; the surrogate pair of 😀 is one character.
  EXPECT_EQ(FromQString(U("a\u00E9表\U0001F600ﾛ")), "a?" + Sjis("表") + "?" + Sjis("ﾛ"));
}

TEST(QtMessageBoxes, ShowsPlainTextWithLineBreaksAndMapsTheAnswer) {
  QString shown;
  Qt::TextFormat format = Qt::AutoText;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = box->text();
    format = box->textFormat();
    box->button(QMessageBox::No)->click();
  });
  QtMessageBoxes boxes;
  EXPECT_EQ(boxes.Show("Quillet", Sjis("<b>表</b>\r\rnext\r\nend"), platform::MbIcon::kQuestion,
                       platform::MbButtons::kYesNo),
            platform::MbResult::kNo);
  EXPECT_EQ(shown, U("<b>表</b>\n\nnext\nend"));
  EXPECT_EQ(format, Qt::PlainText);
}

class StatusDlgTest : public ::testing::Test {
 public:
  QString Shown() const { return dlg.DispStatus->toPlainText(); }

  quillet::testing::RecordingMessageBoxes boxes;
  Globals globals;
  TStatusDlg dlg{globals};
};

TEST_F(StatusDlgTest, KeepsExactBytesAndShowsOnlyCrLfAsALineBreak) {
  dlg.show();
  dlg.AppendLine("");
  dlg.AppendLine(Sjis("表.log") + texts::kPending);
  dlg.AppendLine("a\r\nb\r\nc");
  dlg.ReplaceLastLine(Sjis("一行目\r\n二行目"));
  dlg.AppendLine("lone\nLF");
  EXPECT_EQ(dlg.Lines(), (Lines{"", Sjis("表.log  . . ."), Sjis("一行目\r\n二行目"), "lone\nLF"}));
  EXPECT_EQ(Shown(), U("\n表.log  . . .\n一行目\n二行目\nlone\u240ALF"));

  for (int i = 0; i < 300; ++i) dlg.AppendLine(std::to_string(i));
  dlg.ReplaceLastLine("end");
  const QScrollBar* bar = dlg.DispStatus->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(StatusDlgTest, CloseIsRefusedDuringARunAndEmptiesTheLogAfterIt) {
  dlg.show();
  dlg.AppendLine("kept");
  globals.shell.IsProcessing = true;
  EXPECT_FALSE(dlg.close());
  PressKey(dlg.DispStatus, Qt::Key_Escape);  // Esc is a close request like any other
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.Lines(), Lines{"kept"});
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, Sjis("処理中は閉じられません。"));

  globals.shell.IsProcessing = false;
  PressKey(dlg.DispStatus, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(dlg.Lines().empty());
  dlg.AppendLine("fresh");  // the next run's log starts in the first line
  EXPECT_EQ(Shown(), U("fresh"));
}

// OKBttn and a click in the log are tested in a real run (RunControlTest).
TEST_F(StatusDlgTest, HelpAndCancelCallOffTheAutomaticExit) {
  Lines topics;
  dlg.SetHelpHandler([&](std::string_view topic) { topics.emplace_back(topic); });
  dlg.show();
  globals.shell.AutoExit = true;
  dlg.HelpBttn->click();
  EXPECT_FALSE(globals.shell.AutoExit);
  EXPECT_EQ(dlg.OKBttn->text(), U("閉じる"));
  EXPECT_EQ(topics, Lines{"HID00000020"});

  globals.shell.AutoExit = true;
  dlg.CANCELBttn->click();
  EXPECT_TRUE(dlg.CancelRequested());
  EXPECT_FALSE(globals.shell.AutoExit);
  EXPECT_FALSE(dlg.CANCELBttn->isEnabled());
}

// A size remembered on a bigger screen (or at a bigger scale) is cut down
// so the whole window can be reached; Quillet.ini keeps the remembered one
// until the user resizes the dialog.
TEST_F(StatusDlgTest, TakesItsSizeFromTheSettingsWithinTheScreenAndStoresItsNewSize) {
  const QRect area = dlg.screen()->availableGeometry();
  QEvent deactivate(QEvent::WindowDeactivate);
  for (const QSize remembered : {QSize(500, 400), QSize(area.width() * 2, area.height() + 300)}) {
    globals.options.StatusWidth = remembered.width();
    globals.options.StatusHeight = remembered.height();
    dlg.ShowDialog();
    EXPECT_TRUE(area.contains(dlg.frameGeometry()));
    EXPECT_EQ(dlg.size(), remembered.boundedTo(area.size() - (dlg.frameSize() - dlg.size())));
    QApplication::sendEvent(&dlg, &deactivate);
    EXPECT_EQ(globals.options.StatusWidth, remembered.width());
    EXPECT_EQ(globals.options.StatusHeight, remembered.height());
    dlg.hide();
  }
  dlg.resize(450, 350);
  QApplication::sendEvent(&dlg, &deactivate);
  EXPECT_EQ(globals.options.StatusWidth, 450);
  EXPECT_EQ(globals.options.StatusHeight, 350);
}

TEST_F(StatusDlgTest, EnterPressesTheDefaultButtonThatIsInView) {
  dlg.FolderCounted(1);
  PressKey(&dlg, Qt::Key_Return);
  EXPECT_TRUE(dlg.CancelRequested());
  EXPECT_TRUE(dlg.isVisible());
  dlg.RunEnded();
  EXPECT_FALSE(dlg.CancelRequested());
  PressKey(&dlg, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
}

}  // namespace
}  // namespace quillet::ui
