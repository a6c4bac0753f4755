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
#include "ui/StatusDlg.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

namespace t = ui_texts;
using platform::MbIcon;

constexpr unsigned long kAutoExitPollMs = 100;

std::string CountLine(const char* head, std::int32_t count, const char* tail) {
  return head + std::to_string(count) + tail;
}

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

  int code = RunFolder(folder);
  AppendSummary();
  if (globals_.run.FoundCount == 0 && code == 0) code = frNoFilesFound;
  last_run_.code = code;
  last_run_.ErrorCount = globals_.run.ErrorCount;
  last_run_.cancelled = globals_.run.CancelRequested;
  if (code != 0) {
    platform::MessageBoxOk(
        t::kCaptionError, t::RunCodeMessage(code, globals_.definitions.LoadedFrom), MbIcon::kError);
  }

  QApplication::restoreOverrideCursor();
  EditFName->setFocus();
  globals_.shell.IsProcessing = false;

  if (!unattended_ && globals_.shell.AutoExit && code == 0 && globals_.run.ErrorCount == 0 &&
      !globals_.run.CancelRequested) {
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
  if (folder.size() < 3 || folder[1] != ':') {
    platform::MessageBoxOk(t::kCaptionQuillet, t::kFolderNotFullPath, MbIcon::kError);
    globals_.shell.AutoExit = false;
    return false;
  }
  platform::Attributes attributes;
  if (!fs_.GetAttributes(folder, attributes) || !attributes.directory) {
    if (status_dlg_ != nullptr)
      status_dlg_->Note({.kind = RunNote::Kind::kFolderNotFound, .path = folder});
    platform::MessageBoxOk(t::kCaptionQuillet, t::kFolderNotFound, MbIcon::kError);
    globals_.shell.AutoExit = false;
    return false;
  }
  return true;
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
  Otion->setEnabled(!busy);
  Exit1->setEnabled(!busy);
  SetDefault(DefaultButton::kNone);
  if (busy) {
    StatusLine->clear();
    repaint();
  }
}

// Resets the run state, writes the separator and the banner, and runs the
// folder run once. Returns its code.
int TMainForm::RunFolder(const std::string& folder) {
  RunState& run = globals_.run;
  run.ErrorCount = 0;
  run.SkipCount = 0;
  run.FoundCount = 0;
  globals_.definitions.LoadedFrom = kLoadedFromDummy;

  TStatusDlg& status = *status_dlg_;
  if (!status.Lines().empty()) status.AppendLine(t::kSeparator);
  status.AppendLine(globals_.options.Inc ? t::kBannerIncrement : t::kBannerNormal);

  Engine engine{globals_, fs_, status, platform::ProgramFolder()};
  // Once per run, however many such files the subfolders bring; the run
  // goes on without waiting for the box.
  bool warned = false;
  engine.on_utf8_definitions = [this, &warned](std::string_view path) {
    if (warned) return;
    warned = true;
    TellUser(t::kCaptionQuillet, t::kDefinitionsInUtf8 + std::string(path), MbIcon::kWarning);
  };
  const int code =
      ProcessFolder(engine, folder, FromQString(EditFName->text()), SubFolderCB->isChecked());

  status.SetVisible(StatusControl::kGauge, false);
  status.SetVisible(StatusControl::kSearchMsg, false);
  status.SetVisible(StatusControl::kCancelBttn, false);
  status.SetVisible(StatusControl::kPanelBttn0, true);
  return code;
}

// The error and skip lines, an empty line and the closing line. File errors
// rule out the automatic exit.
void TMainForm::AppendSummary() {
  TStatusDlg& status = *status_dlg_;
  const RunState& run = globals_.run;
  if (run.ErrorCount > 0) {
    status.AppendLine("");
    status.AppendLine(CountLine(t::kErrorLineHead, run.ErrorCount, t::kErrorLineTail));
    globals_.shell.AutoExit = false;
  }
  if (run.SkipCount > 0) {
    if (run.ErrorCount <= 0) status.AppendLine("");
    status.AppendLine(CountLine(t::kSkipLineHead, run.SkipCount, t::kSkipLineTail));
  }
  status.AppendLine("");
  status.AppendLine(run.CancelRequested ? t::kCancelled : t::kFinished);
}

// OKBttn offers to cancel the exit while Timer1 runs; the loop ends when the
// timer has made the exit due, or when OKBttn, HelpBttn or a click in the
// log has cleared AutoExit.
void TMainForm::WaitForAutoExit() {
  status_dlg_->OKBttn->setText(ToQString(t::kOKBttnExitCancel));
  status_dlg_->Timer1->start();
  while (!globals_.shell.AutoExitDue && globals_.shell.AutoExit) {
    QThread::msleep(kAutoExitPollMs);
    QApplication::processEvents();
  }
}

}  // namespace quillet::ui
