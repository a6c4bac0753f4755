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
#include <vector>

#include "core/Global.h"
#include "platform/FileSystem.h"
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

  // The windows created after this one. A run needs the status dialog.
  void AttachForms(TOptForm* opt_form, TAboutForm* about_form, TStatusDlg* status_dlg);

  // An unattended program ends after its run by itself: the run then skips
  // the wait for the automatic exit.
  void SetUnattended(bool unattended) { unattended_ = unattended; }

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

  // Shows the current hint (of the control under the pointer, or of the
  // highlighted menu item) in StatusLine.
  void DisplayHint(const QString& hint);

  // The menu commands and browse buttons. Their behaviour is added with the
  // options dialog, editors and browsing.
  void OtionClick();
  void DefEditClick();
  void EditerClick();
  void HelpIndexClick();
  void About1Click();
  void CorvaneL1Click();
  void FolderBrowseSBClick();
  void FileBrowseSBClick();

  enum class DefaultButton { kNone, kStart, kExit };
  // The button that Enter presses when the focus is not on a button.
  DefaultButton Default() const { return default_button_; }

  const RunOutcome& LastRun() const { return last_run_; }
  // Help file (program folder + "Quillet.hlp") and the filter text of the
  // file dialogs, both Shift-JIS.
  const std::string& HelpFile() const { return help_file_; }
  const std::string& FileFilter() const { return file_filter_; }

  // Menus, named as the form names them. ToolMenu is not shown by itself;
  // its T1 is merged into MainMenu before Help1.
  QMenuBar* MainMenu;
  QMenu* File1;
  QAction* Otion;
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
  std::string IniPath() const;
  // The Shift-JIS text of an edit box without its leading and trailing
  // bytes of value 0x20 or less.
  static std::string TrimmedText(const QLineEdit* edit);
  // Run control, in ui/RunControl.cpp.
  bool CheckFolder(const std::string& folder);
  int RunFolder(const std::string& folder);
  void AppendSummary();
  void WaitForAutoExit();

  Globals& globals_;
  platform::FileSystem& fs_;
  std::unique_ptr<QMenuBar> tool_menu_;
  TOptForm* opt_form_ = nullptr;
  TAboutForm* about_form_ = nullptr;
  TStatusDlg* status_dlg_ = nullptr;
  DefaultButton default_button_ = DefaultButton::kNone;
  bool tools_merged_ = false;
  bool unattended_ = false;
  RunOutcome last_run_;
  std::string help_file_;
  std::string file_filter_;
};

}  // namespace quillet::ui
