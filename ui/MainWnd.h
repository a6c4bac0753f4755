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
  // status dialog's help button opens the help file.
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
  void Exit1Click();

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
  void OtionClick();
  // Starts Editor on Quillet.def in the program folder, full path, whether
  // the file exists or not.
  void DefEditClick();
  // Enters EditFolder's folder (when it can), lets the user choose files in
  // OpenDialog2 and starts Editor on their names: one editor per file with
  // Multi, else one editor for all. A failure shows the editor message
  // once and starts no further editor. The dialog does not hold up a run:
  // the editors start once it is answered, possibly after this returns.
  void EditerClick();
  // Opens the help's contents page.
  void HelpIndexClick();
  // Shows the About box modally.
  void About1Click();
  // Lets the user choose files in OpenDialog2 and starts ViewerPath once
  // per file; the first failure shows the viewer message and stops. As
  // with EditerClick, the starts follow the dialog's answer.
  void CorvaneL1Click();
  // The chosen folder becomes EditFolder and the current directory.
  void FolderBrowseSBClick();
  // OpenDialog1 opens at EditFolder with EditFName as its file name; the
  // chosen file's name goes to EditFName, its folder (no trailing '\' but
  // for a drive root) to EditFolder. The focus ends in EditFName.
  void FileBrowseSBClick();
  // Opens the help file at `topic` (an anchor such as "HID00000021").
  void ShowHelp(std::string_view topic);

  enum class DefaultButton { kNone, kStart, kExit };
  // The button that Enter presses when the focus is not on a button.
  DefaultButton Default() const { return default_button_; }

  const RunOutcome& LastRun() const { return last_run_; }
  // Help file (program folder + "Quillet.hlp") and the filter text of the
  // file dialogs, both Shift-JIS.
  const std::string& HelpFile() const { return help_file_; }
  const std::string& FileFilter() const { return file_filter_; }
  // Gives `filter` to both file dialogs (empty clears their filter).
  void SetFileFilter(const std::string& filter);

  // Menus, named as the form names them. ToolMenu is not shown by itself;
  // its T1 is merged into MainMenu before Help1.
  QMenuBar* MainMenu;
  QMenu* File1;
  QAction* OptionsItem;
  QAction* DefEdit;
  QAction* Editer;
  QAction* N2;
  QAction* Exit1;
  QMenu* Help1;
  QAction* HelpIndex;
  QAction* N1;
  QAction* About1;
  QMenuBar* ToolMenu;
  QMenu* T1;
  QAction* CorvaneL1;

  // Controls.
  QFrame* Bevel1;
  QLabel* Label2;
  QLineEdit* EditFolder;
  QToolButton* FolderBrowseSB;
  QLabel* Label1;
  QLineEdit* EditFName;
  QToolButton* FileBrowseSB;
  QCheckBox* SubFolderCB;
  QPushButton* StartButton;
  QPushButton* ExitButton;
  QLabel* StatusLine;
  // The file to process (OpenDialog1) and the files to edit or view
  // (OpenDialog2, several at once).
  platform::OpenFileDialog OpenDialog1;
  platform::OpenFileDialog OpenDialog2;

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
  // Starts Editor on `names` as EditerClick describes.
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
  std::string help_file_;
  std::string file_filter_;
};

}  // namespace quillet::ui
