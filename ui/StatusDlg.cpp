#include "ui/StatusDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/Texts.h"
#include "platform/MessageBox.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

constexpr int kDesignWidth = 420;
constexpr int kDesignHeight = 353;
constexpr int kFontPixels = 15;
constexpr int kPanelBottomHeight = 58;
constexpr int kBarHeight = 17;  // Size and Gauge
constexpr int kButtonPanelWidth = 228;
constexpr int kAutoExitDelayMs = 3000;
constexpr char kHelpTopic[] = "HID00000020";
constexpr std::string_view kLineBreak = "\r\n";

// How many lines of the widget a log entry takes: only CR LF breaks it.
int DisplayLineCount(std::string_view line) {
  int count = 1;
  for (std::size_t at = line.find(kLineBreak); at != std::string_view::npos;
       at = line.find(kLineBreak, at + kLineBreak.size())) {
    ++count;
  }
  return count;
}

// The widget text of a log entry. A lone CR or LF is no line break in the
// log; it shows as a visible symbol, so that an entry always takes
// DisplayLineCount() lines and ReplaceLastLine() knows what to overwrite.
QString DisplayText(std::string_view line) {
  QString text;
  for (;;) {
    const std::size_t at = line.find(kLineBreak);
    QString piece = ToQString(line.substr(0, at));
    piece.replace(QChar(u'\r'), QChar(0x240D));  // ␍
    piece.replace(QChar(u'\n'), QChar(0x240A));  // ␊
    text += piece;
    if (at == std::string_view::npos) return text;
    text += QChar(u'\n');
    line.remove_prefix(at + kLineBreak.size());
  }
}

QVBoxLayout* NewColumn(QWidget* owner) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

void BuildDispStatus(TStatusDlg& dialog) {
  QPlainTextEdit* log = dialog.DispStatus = new QPlainTextEdit(&dialog);
  log->setReadOnly(true);
  log->setUndoRedoEnabled(false);  // the log only grows; no history to keep
  log->setLineWrapMode(QPlainTextEdit::NoWrap);
  log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log->setFocusPolicy(Qt::ClickFocus);
  log->viewport()->setCursor(Qt::ArrowCursor);
  QPalette palette = log->palette();
  palette.setColor(QPalette::Base, dialog.palette().color(QPalette::Window));
  log->setPalette(palette);
}

// Size and Gauge along the bottom; above them CANCELBttn with SearchMsg at
// the left and ButtonPanel (OKBttn, HelpBttn) at the right.
void BuildPanelBottom(TStatusDlg& dialog) {
  QWidget* panel = dialog.PanelBottom = new QWidget(&dialog);
  panel->setFixedHeight(kPanelBottomHeight);

  dialog.CANCELBttn = new QPushButton(ToQString(ui_texts::kCANCELBttn), panel);
  dialog.SearchMsg = new QLabel(ToQString(texts::kSearchMsg), panel);
  dialog.SearchMsg->hide();

  dialog.ButtonPanel = new QWidget(panel);
  dialog.ButtonPanel->setFixedWidth(kButtonPanelWidth);
  dialog.OKBttn = new QPushButton(ToQString(ui_texts::kOKBttn), dialog.ButtonPanel);
  dialog.HelpBttn = new QPushButton(ToQString(ui_texts::kHelpBttn), dialog.ButtonPanel);
  auto* buttons = new QHBoxLayout(dialog.ButtonPanel);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addWidget(dialog.OKBttn);
  buttons->addWidget(dialog.HelpBttn);

  QLabel* size = dialog.Size = new QLabel(panel);
  size->setFixedHeight(kBarHeight);
  size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPalette palette = size->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  size->setPalette(palette);
  size->hide();

  QProgressBar* gauge = dialog.Gauge = new QProgressBar(panel);
  gauge->setRange(0, 100);
  gauge->setValue(0);
  gauge->setTextVisible(false);
  gauge->setFixedHeight(kBarHeight);
  gauge->hide();

  auto* row = new QHBoxLayout;
  row->setContentsMargins(4, 2, 0, 2);
  row->addWidget(dialog.CANCELBttn);
  row->addWidget(dialog.SearchMsg, 1);
  row->addStretch();
  row->addWidget(dialog.ButtonPanel);
  QVBoxLayout* column = NewColumn(panel);
  column->addLayout(row, 1);
  column->addWidget(size);
  column->addWidget(gauge);
}

}  // namespace

TStatusDlg::TStatusDlg(Globals& globals, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      globals_(globals) {
  setWindowTitle(ToQString(ui_texts::kStatusCaption));
  setFont(FormFont(kFontPixels));
  resize(kDesignWidth, kDesignHeight);

  BuildDispStatus(*this);
  DispStatus->viewport()->installEventFilter(this);
  BuildPanelBottom(*this);
  QVBoxLayout* column = NewColumn(this);
  column->addWidget(DispStatus, 1);
  column->addWidget(PanelBottom);

  // Both buttons are designed as the default button; only one of them is
  // shown at a time, and the one that comes into view takes the role.
  OKBttn->setDefault(true);
  CANCELBttn->installEventFilter(this);
  ButtonPanel->installEventFilter(this);

  AutoExitTimer = new QTimer(this);
  AutoExitTimer->setInterval(kAutoExitDelayMs);

  connect(OKBttn, &QPushButton::clicked, this, &TStatusDlg::OKBttnClick);
  connect(CANCELBttn, &QPushButton::clicked, this, &TStatusDlg::CANCELBttnClick);
  connect(HelpBttn, &QPushButton::clicked, this, &TStatusDlg::HelpBttnClick);
  connect(AutoExitTimer, &QTimer::timeout, this, &TStatusDlg::AutoExitTimerTimeout);
  // The window's help context: F1 opens the same topic as HelpBttn.
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, [this] {
    if (help_) help_(kHelpTopic);
  });
}

void TStatusDlg::AppendLine(std::string_view line) {
  QTextCursor cursor(DispStatus->document());
  cursor.movePosition(QTextCursor::End);
  if (!lines_.empty()) cursor.insertBlock();
  cursor.insertText(DisplayText(line));
  lines_.emplace_back(line);
  DispStatus->verticalScrollBar()->setValue(DispStatus->verticalScrollBar()->maximum());
}

void TStatusDlg::ReplaceLastLine(std::string_view line) {
  if (lines_.empty()) {
    AppendLine(line);
    return;
  }
  QTextDocument* document = DispStatus->document();
  const int first = document->blockCount() - DisplayLineCount(lines_.back());
  QTextCursor cursor(document->findBlockByNumber(first));
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  cursor.insertText(DisplayText(line));
  lines_.back() = std::string(line);
  DispStatus->verticalScrollBar()->setValue(DispStatus->verticalScrollBar()->maximum());
}

void TStatusDlg::FolderCounted(std::size_t count) {
  ShowDialog();
  CANCELBttn->setEnabled(true);
  CANCELBttn->setVisible(true);
  ButtonPanel->setVisible(false);
  Gauge->setVisible(true);
  SearchMsg->setVisible(count == 0);
  Gauge->setValue(0);
  Size->setVisible(true);
}

void TStatusDlg::FolderFinished() {
  Size->setText(QString());
  Size->setVisible(false);
  Gauge->setValue(0);
  ButtonPanel->setVisible(false);
  SearchMsg->setVisible(true);
}

void TStatusDlg::FileStarted() {
  Size->setText(QString());
  Gauge->setValue(0);
}

void TStatusDlg::ProgressCaption(std::string_view caption) { Size->setText(ToQString(caption)); }

void TStatusDlg::ProgressPosition(int position) { Gauge->setValue(std::clamp(position, 0, 100)); }

void TStatusDlg::RunEnded() {
  cancel_asked_ = false;
  Gauge->setVisible(false);
  SearchMsg->setVisible(false);
  CANCELBttn->setVisible(false);
  ButtonPanel->setVisible(true);
}

void TStatusDlg::Repaint() {
  // Shown or hidden controls only move once their layout has run; run it
  // now, without taking any user input, so the redraw shows the new state.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  repaint();
}

void TStatusDlg::Yield() { QCoreApplication::processEvents(); }

void TStatusDlg::ShowDialog() {
  if (isHidden()) {
    show();
  } else {
    raise();
    activateWindow();
  }
}

void TStatusDlg::OKBttnClick() {
  if (globals_.shell.AutoExit) {
    OKBttn->setText(ToQString(ui_texts::kOKBttn));
    globals_.shell.AutoExit = false;
  } else {
    close();
  }
}

void TStatusDlg::CANCELBttnClick() {
  CANCELBttn->setEnabled(false);
  cancel_asked_ = true;
  globals_.shell.AutoExit = false;
}

void TStatusDlg::HelpBttnClick() {
  if (globals_.shell.AutoExit) {
    OKBttn->setText(ToQString(ui_texts::kOKBttn));
    globals_.shell.AutoExit = false;
  }
  if (help_) help_(kHelpTopic);
}

void TStatusDlg::DispStatusClick() {
  globals_.shell.AutoExit = false;
  OKBttn->setText(ToQString(ui_texts::kOKBttn));
}

void TStatusDlg::AutoExitTimerTimeout() {
  AutoExitTimer->stop();
  if (globals_.shell.AutoExit) {
    globals_.shell.AutoExitDue = true;
    close();
  }
}

void TStatusDlg::closeEvent(QCloseEvent* event) {
  if (globals_.shell.IsProcessing) {
    event->ignore();
    platform::MessageBoxOkWithoutWaiting(ui_texts::kCaptionQuillet,
                                         ui_texts::kCannotCloseWhileProcessing,
                                         platform::MbIcon::kInformation);
    return;
  }
  lines_.clear();
  DispStatus->clear();
  event->accept();
}

void TStatusDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored from the task bar is not shown anew.
  if (event->spontaneous()) return;
  QSize wanted(globals_.options.StatusWidth, globals_.options.StatusHeight);
  if (const QScreen* screen = this->screen()) {
    // A size remembered on a larger screen, or at another scale, must not
    // put the title bar and the buttons out of reach: the window with its
    // frame fits the screen's free area, centred on it.
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    wanted = wanted.boundedTo(area.size() - frame).expandedTo(minimumSizeHint());
    resize(wanted);
    const QRect placed =
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size() + frame, area);
    move(placed.topLeft().x() < area.left() ? area.left() : placed.left(),
         placed.top() < area.top() ? area.top() : placed.top());
  } else {
    resize(wanted);
  }
  shown_size_ = size();
}

bool TStatusDlg::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowDeactivate:
      // A size cut down to fit the screen is not the user's choice; the
      // remembered one stays until the user resizes the dialog.
      if (size() != shown_size_) {
        globals_.options.StatusHeight = height();
        globals_.options.StatusWidth = width();
      }
      break;
    case QEvent::KeyPress:
      // Esc would hide the dialog past closeEvent; make it an ordinary close,
      // which is refused during a run and empties the log otherwise.
      if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
        close();
        return true;
      }
      break;
    default:
      break;
  }
  return QDialog::event(event);
}

bool TStatusDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DispStatus->viewport() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    DispStatusClick();
  } else if ((watched == CANCELBttn || watched == ButtonPanel) &&
             (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
    // The default goes to the button that comes into view, or to the other
    // one when a button leaves and the other is in view.
    const bool cancel_side = (watched == CANCELBttn) == (event->type() == QEvent::ShowToParent);
    if (cancel_side && !CANCELBttn->isHidden()) CANCELBttn->setDefault(true);
    if (!cancel_side && !ButtonPanel->isHidden()) OKBttn->setDefault(true);
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace quillet::ui
