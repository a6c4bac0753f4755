// Run control: the main window's StartButtonClick, from the folder check to
// the automatic exit.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "core/Engine.h"
#include "core/FileName.h"
#include "core/ResultCodes.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "ui/MainWnd.h"
#include "ui/QtText.h"
#include "ui/StartUp.h"
#include "ui/StatusDlg.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

namespace t = ui_texts;
using platform::MbIcon;

constexpr unsigned long kAutoExitPollMs = 100;

}  // namespace

void TMainForm::StartButtonClick() {
  if (globals_.shell.IsProcessing) {
    TellUser(t::kCaptionQuillet, t::kSecondRunRefused, MbIcon::kInformation);
    return;
  }
  last_run_ = RunOutcome{};
  last_run_.started = true;
  EditFolderExit();
  // The folder text is taken as typed, not trimmed.
  const std::string folder = AddBackslash(FromQString(EditFolder->text()));
  if (!CheckFolder(folder)) {
    last_run_.refused = true;
    emit RunFinished();
    return;
  }

  SetBusy(true);
  QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
  EditFName->setText(ToQString(TrimmedText(EditFName)));
  StatusLine->setText(QStringLiteral(" "));

  const RunSummary summary = RunRequest(folder);
  // File errors and a run-level code from a subfolder rule out the
  // automatic exit.
  if (summary.ErrorCount > 0 || summary.stopped_in_subfolder) globals_.shell.AutoExit = false;
  const int code = summary.code;
  last_run_.code = code;
  last_run_.ErrorCount = summary.ErrorCount;
  last_run_.cancelled = summary.cancelled;
  if (code != 0) {
    platform::MessageBoxOk(
        t::kCaptionError, t::RunCodeMessage(code, globals_.definitions.LoadedFrom), MbIcon::kError);
  }

  QApplication::restoreOverrideCursor();
  EditFName->setFocus();
  globals_.shell.IsProcessing = false;

  if (globals_.shell.AutoExit && code == 0 && summary.ErrorCount == 0 && !summary.cancelled) {
    WaitForAutoExit();
    if (globals_.shell.AutoExitDue) {
      close();
      emit RunFinished();
      return;
    }
  }

  SetBusy(false);
  StartButton->setEnabled(!TrimmedText(EditFName).empty());
  SetDefault(code == 0 ? DefaultButton::kExit : DefaultButton::kNone);
  emit RunFinished();
}

// A full path with its drive letter that names an existing folder; anything
// else is refused with its box, and no automatic exit follows.
bool TMainForm::CheckFolder(const std::string& folder) {
  if (CheckRunFolder(fs_, folder, status_dlg_)) return true;
  globals_.shell.AutoExit = false;
  return false;
}

// The busy state of a run, and the window given back after it. The default
// button is chosen by the caller once the run is over.
void TMainForm::SetBusy(bool busy) {
  if (busy) globals_.shell.IsProcessing = true;
  for (QWidget* control :
       {static_cast<QWidget*>(FolderBrowseSB), static_cast<QWidget*>(FileBrowseSB),
        static_cast<QWidget*>(StartButton), static_cast<QWidget*>(ExitButton)}) {
    control->setEnabled(!busy);
  }
  OptionsItem->setEnabled(!busy);
  ExitItem->setEnabled(!busy);
  SetDefault(DefaultButton::kNone);
  if (busy) {
    StatusLine->clear();
    repaint();
  }
}

// Runs the request of the edit boxes through the engine.
RunSummary TMainForm::RunRequest(const std::string& folder) {
  TStatusDlg& status = *status_dlg_;
  Engine engine{globals_, fs_, status, platform::ProgramFolder()};
  // Once per run, however many such files the subfolders bring; the run
  // goes on without waiting for the box.
  bool warned = false;
  engine.on_utf8_definitions = [this, &warned](std::string_view path) {
    if (warned) return;
    warned = true;
    TellUser(t::kCaptionQuillet, t::kDefinitionsInUtf8 + std::string(path), MbIcon::kWarning);
  };
  return ProcessRequest(engine, {.folder = folder,
                                 .pattern = FromQString(EditFName->text()),
                                 .with_subfolders = SubFolderCB->isChecked(),
                                 .after_earlier_run = !status.Lines().empty()});
}

// OKBttn offers to cancel the exit while AutoExitTimer runs; the loop ends when the
// timer has made the exit due, or when OKBttn, HelpBttn or a click in the
// log has cleared AutoExit.
void TMainForm::WaitForAutoExit() {
  status_dlg_->OKBttn->setText(ToQString(t::kOKBttnExitCancel));
  status_dlg_->AutoExitTimer->start();
  while (!globals_.shell.AutoExitDue && globals_.shell.AutoExit) {
    QThread::msleep(kAutoExitPollMs);
    QApplication::processEvents();
  }
}

}  // namespace quillet::ui
