#pragma once

// The main window: the user names the folder and the file name or pattern
// to process and starts a run; its menus lead to the options, the editors,
// the help and the About box.
//
// Creating it runs FormCreate: the folder text starts as the current
// directory, the command line is read (a file name's folder part becomes
// the folder text and the current directory), Quillet.ini is loaded from the
// program folder, and Quillet.def is made from Quillet.smp when only the
// sample exists. Message boxes go through platform::MessageBoxes().

#include <QMainWindow>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Engine.h"
#include "core/Global.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "ui/RunOutcome.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;

namespace quillet {
class TOptForm;
}

namespace quillet::ui {

class TAboutForm;
class TStatusDlg;

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // `arguments`: the command line without the program's name, Shift-JIS
  // (see ui/CommandLine.h). `fs` is the file layer of every run.
  TMainForm(Globals& globals, std::vector<std::string> arguments,
            platform::FileSystem& fs = platform::PosixFileSystem(), QWidget* parent = nullptr);
  ~TMainForm() override;

  // The windows created after this one. A run needs the status dialog. The
  // options dialog hands its new filter text to both file dialogs; the
  // status dialog's help button opens the help document.
  void AttachForms(TOptForm* opt_form, TAboutForm* about_form, TStatusDlg* status_dlg);

  // Runs on every activation of the window: merges the Tools menu when
  // ViewerPath names an existing file, and starts the run the command line
  // asked for (AutoStart, cleared first).
  void FormActivate();

  // A whole run over EditFolder and EditFName, from the folder check to the
  // automatic exit (see ui/RunControl.cpp). Refused while a run is going on.
  void StartButtonClick();

  // Request the close of the window; see closeEvent.
  void ExitButtonClick();
  void ExitItemClick();

  // Enables StartButton, and makes it the default button, exactly when
  // neither EditFName nor EditFolder is blank once trimmed; does nothing
  // while a run is going on.
  void EditFFChange();

  // When the folder box is left (or Enter pressed in it), and before a run:
  // a Unix path typed there ("/var/log/app") is replaced by the folder the
  // run uses, on drive Z: ("Z:\var\log\app\"). Other texts stay as typed.
  void EditFolderExit();

  // Shows the current hint (of the control under the pointer, or of the
  // highlighted menu item) in StatusLine.
  void DisplayHint(const QString& hint);

  // The menu commands and browse buttons (ui/MainCommands.cpp). Programs
  // are started through platform::ProgramStarters(), dialogs shown through
  // platform::FileDialogs(), help through platform::Help().
  //
  // Shows the options dialog modally; refused with an information box
  // while a run is going on.
  void OptionsItemClick();
  // Starts Editor on Quillet.def in the program folder, full path, whether
  // the file exists or not.
  void DefEditClick();
  // Enters EditFolder's folder (when it can), lets the user choose files in
  // EditOrViewDialog and starts Editor on their names: one editor per file with
  // Multi, else one editor for all. A failure shows the editor message
  // once and starts no further editor. The dialog does not hold up a run:
  // the editors start once it is answered, possibly after this returns.
  void EditFilesItemClick();
  // Opens the help's contents page.
  void HelpIndexClick();
  // Shows the About box modally.
  void AboutItemClick();
  // Lets the user choose files in EditOrViewDialog and starts ViewerPath once
  // per file; the first failure shows the viewer message and stops. As
  // with EditFilesItemClick, the starts follow the dialog's answer.
  void CorvaneItemClick();
  // The chosen folder becomes EditFolder and the current directory.
  void FolderBrowseSBClick();
  // TargetFileDialog opens at EditFolder with EditFName as its file name; the
  // chosen file's name goes to EditFName, its folder (no trailing '\' but
  // for a drive root) to EditFolder. The focus ends in EditFName.
  void FileBrowseSBClick();
  // Opens the help document at `topic` (an anchor such as "HID00000021").
  void ShowHelp(std::string_view topic);

  enum class DefaultButton { kNone, kStart, kExit };
  // The button that Enter presses when the focus is not on a button.
  DefaultButton Default() const { return default_button_; }

  const RunOutcome& LastRun() const { return last_run_; }
  // The help document (platform::HelpDocument()) and the filter text of the
  // file dialogs, both Shift-JIS.
  const std::string& HelpDocument() const { return help_document_; }
  const std::string& FileFilter() const { return file_filter_; }
  // Gives `filter` to both file dialogs (empty clears their filter).
  void SetFileFilter(const std::string& filter);

  // Menus. ToolMenuBar is not shown by itself;
  // its ToolsMenu is merged into MainMenu before HelpMenu.
  QMenuBar* MainMenu;
  QMenu* FileMenu;
  QAction* OptionsItem;
  QAction* DefEdit;
  QAction* EditFilesItem;
  QAction* FileSeparator;
  QAction* ExitItem;
  QMenu* HelpMenu;
  QAction* HelpIndex;
  QAction* HelpSeparator;
  QAction* AboutItem;
  QMenuBar* ToolMenuBar;
  QMenu* ToolsMenu;
  QAction* CorvaneItem;

  // Controls.
  QFrame* ClientBevel;
  QLabel* FolderLabel;
  QLineEdit* EditFolder;
  QToolButton* FolderBrowseSB;
  QLabel* FileLabel;
  QLineEdit* EditFName;
  QToolButton* FileBrowseSB;
  QCheckBox* SubFolderCB;
  QPushButton* StartButton;
  QPushButton* ExitButton;
  QLabel* StatusLine;
  // The file to process (TargetFileDialog) and the files to edit or view
  // (EditOrViewDialog, several at once).
  platform::OpenFileDialog TargetFileDialog;
  platform::OpenFileDialog EditOrViewDialog;

 signals:
  // The window closed for good: the program ends.
  void Closed();
  // StartButtonClick has returned to the idle window (a refused run too).
  void RunFinished();

 protected:
  // WindowActivate runs FormActivate; StatusTip events run DisplayHint.
  bool event(QEvent* event) override;
  // FormClose: refused with an information box while a run is going on. In
  // both cases the settings are saved; a failed save shows its error box and
  // the window closes all the same (nothing but the settings is lost, and an
  // unattended program must be able to end).
  void closeEvent(QCloseEvent* event) override;
  // Enter presses the focused button, or else the default button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateMenus();
  void CreateControls();
  void FormCreate(std::vector<std::string> arguments);
  void SetDefault(DefaultButton button);
  void SetBusy(bool busy);
  void SaveSettingsOrTell();
  // An OK box; during a run (a click's answer, raised inside the run's
  // yield) it does not wait for the user, so the run goes on meanwhile.
  void TellUser(std::string_view caption, std::string_view text, platform::MbIcon icon);
  // Starts `items` and tells the user `failure_message` when that fails.
  bool StartOrTell(const std::vector<std::string>& items, const char* failure_message);
  // Starts Editor on `names` as EditFilesItemClick describes.
  void StartEditors(const std::vector<std::string>& names);
  std::string IniPath() const;
  // The Shift-JIS text of an edit box without its leading and trailing
  // bytes of value 0x20 or less.
  static std::string TrimmedText(const QLineEdit* edit);
  // Run control, in ui/RunControl.cpp.
  bool CheckFolder(const std::string& folder);
  RunSummary RunRequest(const std::string& folder);
  void WaitForAutoExit();

  Globals& globals_;
  platform::FileSystem& fs_;
  std::unique_ptr<QMenuBar> tool_menu_;
  TOptForm* opt_form_ = nullptr;
  TAboutForm* about_form_ = nullptr;
  TStatusDlg* status_dlg_ = nullptr;
  DefaultButton default_button_ = DefaultButton::kNone;
  bool tools_merged_ = false;
  RunOutcome last_run_;
  std::string help_document_;
  std::string file_filter_;
};

}  // namespace quillet::ui
