// The main window's commands that process no files: the options dialog, the
// editors and the companion viewer, browsing for the folder and the file,
// the help and the About box.

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "core/FileName.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStarter.h"
#include "text/Separators.h"
#include "ui/Aboutdlg.h"
#include "ui/MainWnd.h"
#include "ui/OptDlg.h"
#include "ui/QtText.h"
#include "ui/StartUp.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

namespace t = ui_texts;
using platform::MbIcon;

// The folder of a chosen file: its path up to the name, without the last
// '\' unless that '\' follows a drive colon or another single-byte '\'
// ("Z:\logs\app.log" gives "Z:\logs", "Z:\app.log" gives "Z:\").
std::string FolderText(std::string_view path) {
  std::string folder(path.substr(0, path.size() - NamePart(path).size()));
  if (folder.size() < 2 || folder.back() != '\\') return folder;
  // The byte before the last '\' counts only as a character of its own.
  const std::string_view before_last(folder.data(), folder.size() - 1);
  if (!EndsWithSingleByte(before_last, ":\\")) folder.pop_back();
  return folder;
}

std::vector<std::string> ChosenNames(const platform::OpenFileDialog& dialog) {
  std::vector<std::string> names;
  for (const std::string& path : dialog.chosen) names.emplace_back(NamePart(path));
  return names;
}

}  // namespace

bool TMainForm::StartOrTell(const std::vector<std::string>& items, const char* failure_message) {
  if (platform::StartProgram(items)) return true;
  TellUser(t::kCaptionQuillet, failure_message, MbIcon::kInformation);
  return false;
}

void TMainForm::OptionsItemClick() {
  if (globals_.shell.IsProcessing) {
    TellUser(t::kCaptionQuillet, t::kMsgOptionsWhileProcessing, MbIcon::kInformation);
    return;
  }
  if (opt_form_ != nullptr) opt_form_->exec();
}

void TMainForm::DefEditClick() {
  StartOrTell({globals_.options.Editor, platform::ProgramFolder() + "Quillet.def"},
              t::kMsgEditorStartError);
}

// Both commands stay usable during a run, which must not wait for their
// dialog: it answers later, through a callback.
void TMainForm::EditFilesItemClick() {
  SetCurrentFolder(FromQString(EditFolder->text()));  // on failure the dialog opens where we are
  EditOrViewDialog.initial_dir.clear();
  platform::ShowOpenDialogWithoutWaiting(EditOrViewDialog, [this](bool chosen) {
    if (chosen) StartEditors(ChosenNames(EditOrViewDialog));
  });
}

void TMainForm::StartEditors(const std::vector<std::string>& names) {
  const std::string& editor = globals_.options.Editor;
  if (globals_.options.Multi) {
    for (const std::string& name : names) {
      if (!StartOrTell({editor, name}, t::kMsgEditorStartError)) return;
    }
    return;
  }
  std::vector<std::string> items{editor};
  items.insert(items.end(), names.begin(), names.end());
  StartOrTell(items, t::kMsgEditorStartError);
}

void TMainForm::CorvaneItemClick() {
  EditOrViewDialog.initial_dir.clear();
  platform::ShowOpenDialogWithoutWaiting(EditOrViewDialog, [this](bool chosen) {
    if (!chosen) return;
    for (const std::string& name : ChosenNames(EditOrViewDialog)) {
      if (!StartOrTell({globals_.shell.ViewerPath, name}, t::kMsgCorvaneStartError)) return;
    }
  });
}

void TMainForm::FileBrowseSBClick() {
  TargetFileDialog.initial_dir = FromQString(EditFolder->text());
  if (!EditFName->text().isEmpty()) TargetFileDialog.file_name = FromQString(EditFName->text());
  if (platform::ShowOpenDialog(TargetFileDialog)) {
    const std::string& chosen = TargetFileDialog.chosen.front();
    EditFName->setText(ToQString(NamePart(chosen)));
    EditFolder->setText(ToQString(FolderText(chosen)));
    StartButton->setEnabled(true);
  }
  EditFName->setFocus();
}

void TMainForm::FolderBrowseSBClick() {
  const auto folder = platform::FileDialogs().BrowseForFolder(t::kFolderBrowseTitle);
  if (!folder) return;
  EditFolder->setText(ToQString(*folder));
  SetCurrentFolder(FromQString(EditFolder->text()));
}

void TMainForm::ShowHelp(std::string_view topic) {
  platform::Help().ShowTopic(help_document_, topic);
}

void TMainForm::HelpIndexClick() { ShowHelp(platform::kHelpContents); }

void TMainForm::AboutItemClick() {
  if (about_form_ == nullptr) return;
  // Modal to the whole program, but without an event loop of its own: the
  // Help menu stays usable during a run, which must not wait for the box.
  about_form_->setWindowModality(Qt::ApplicationModal);
  about_form_->show();
}

}  // namespace quillet::ui
