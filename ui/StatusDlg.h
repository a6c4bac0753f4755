#pragma once

// The status dialog: the modeless window in which a run is followed. It
// keeps the status log as Shift-JIS lines and shows them converted; it is
// the core's StatusView, so the folder run drives it directly.

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Global.h"
#include "core/StatusView.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace quillet::ui {

class TStatusDlg : public QDialog, public StatusView {
  Q_OBJECT

 public:
  explicit TStatusDlg(Globals& globals, QWidget* parent = nullptr);

  // StatusView.
  void AppendLine(std::string_view line) override;
  void ReplaceLastLine(std::string_view line) override;
  // Shows the dialog with CANCELBttn, Size and Gauge; SearchMsg while a
  // folder without files is passed.
  void FolderCounted(std::size_t count) override;
  // Size hidden and empty, Gauge at 0, SearchMsg back for the next folder.
  void FolderFinished() override;
  void FileStarted() override;                              // Size empty, Gauge at 0
  void ProgressCaption(std::string_view caption) override;  // Size's caption
  void ProgressPosition(int position) override;             // Gauge, clamped to 0..100
  // Gauge, SearchMsg and CANCELBttn give way to OKBttn and HelpBttn.
  void RunEnded() override;
  void Repaint() override;
  // Processes pending Qt events.
  void Yield() override;
  // True from a press of CANCELBttn until the run has ended.
  bool CancelRequested() override { return cancel_asked_; }

  // Shows the dialog, or brings it up when it is already shown.
  void ShowDialog();

  // The status log, one Shift-JIS entry per appended line.
  const std::vector<std::string>& Lines() const { return lines_; }
  // Called by HelpBttnClick with the help topic "HID00000020".
  void SetHelpHandler(std::function<void(std::string_view topic)> help) { help_ = std::move(help); }
  // Handlers, named after control and event.
  void OKBttnClick();
  void CANCELBttnClick();
  void HelpBttnClick();
  void DispStatusClick();
  void AutoExitTimerTimeout();

  // Controls, named as the form names them.
  QPlainTextEdit* DispStatus;
  QWidget* PanelBottom;
  QLabel* Size;
  QLabel* SearchMsg;
  QProgressBar* Gauge;
  QWidget* ButtonPanel;
  QPushButton* OKBttn;
  QPushButton* HelpBttn;
  QPushButton* CANCELBttn;
  // Runs once after a clean run that is to end the program: the delay in
  // which OKBttn, HelpBttn or a click in the log can call the exit off.
  QTimer* AutoExitTimer;

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  // FormShow: the size remembered in SyoriW x SyoriH, cut down where the
  // window with its frame would not fit the screen's free area, centred.
  void showEvent(QShowEvent* event) override;
  // FormDeactivate on WindowDeactivate: stores the size in SyoriH and
  // SyoriW, unless it is still the one FormShow gave.
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;  // clicks in DispStatus

 private:
  bool cancel_asked_ = false;
  Globals& globals_;
  std::vector<std::string> lines_;
  std::function<void(std::string_view)> help_;
  QSize shown_size_;  // the size FormShow gave the dialog
};

}  // namespace quillet::ui
