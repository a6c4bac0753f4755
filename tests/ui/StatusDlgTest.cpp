#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
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
  // U+FFFD for 0x80, the unmapped 85 40, a last lead byte; '?' for é and for 😀 (one character).
  EXPECT_EQ(ToQString("a\x80z\x85\x40y\x81"), U("a\uFFFDz\uFFFDy\uFFFD"));
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
}

TEST_F(StatusDlgTest, CloseIsRefusedDuringARunAndEmptiesTheLogAfterIt) {
  dlg.show();
  dlg.AppendLine("kept");
  globals.shell.IsProcessing = true;
  EXPECT_FALSE(dlg.close());
  PressKey(dlg.DispStatus, Qt::Key_Escape);  // Esc is a close request like any other
  EXPECT_TRUE(dlg.isVisible());
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, Sjis("処理中は閉じられません。"));

  globals.shell.IsProcessing = false;
  PressKey(dlg.DispStatus, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
  dlg.AppendLine("fresh");  // the next run's log starts in the first line
  EXPECT_EQ(Shown(), U("fresh"));
}

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
  EXPECT_TRUE(dlg.CancelRequested() && !dlg.CANCELBttn->isEnabled());
  EXPECT_FALSE(globals.shell.AutoExit);
}

TEST_F(StatusDlgTest, EnterPressesTheDefaultButtonThatIsInView) {
  dlg.FolderCounted(1);
  // The bottom row is laid out: Cancel at its left, OK and Help at its right.
  EXPECT_LT(dlg.CANCELBttn->geometry().right(), dlg.ButtonPanel->geometry().left());
  PressKey(&dlg, Qt::Key_Return);
  EXPECT_TRUE(dlg.CancelRequested());
  EXPECT_TRUE(dlg.isVisible());
  dlg.RunEnded();
  PressKey(&dlg, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
}

}  // namespace
}  // namespace quillet::ui
