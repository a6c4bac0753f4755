// The window program: started by quillet (ui/main.cpp) in its own place for
// a windowed run; creates the four windows in their order.

#include <QApplication>
#include <QTimer>

#include "core/Global.h"
#include "platform/FileDialogs.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/ProgramStarter.h"
#include "ui/Aboutdlg.h"
#include "ui/AppIcon.h"
#include "ui/CloseSignals.h"
#include "ui/CommandLine.h"
#include "ui/MainWnd.h"
#include "ui/OptDlg.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtHelp.h"
#include "ui/QtMessageBoxes.h"
#include "ui/QtProgramStarter.h"
#include "ui/QtText.h"
#include "ui/QtTranslations.h"
#include "ui/RunOutcome.h"
#include "ui/Screenshots.h"
#include "ui/StartUp.h"
#include "ui/StatusDlg.h"
#include "ui/UiTexts.h"

namespace {

int RunWindowed(int argc, char* argv[]) {
  using namespace quillet;
  QApplication app(argc, argv);
  // The application's name, not its display name: Qt would append a display
  // name to the title of every window.
  QCoreApplication::setApplicationName(ui::ToQString(ui_texts::kAppTitle));
  QApplication::setWindowIcon(ui::AppIcon());
  ui::InstallQtTranslations(app, QLocale::system());
  // Read after QApplication has taken its own options out of argv.
  std::vector<std::string> arguments = ui::ArgumentsFromNative(argc, argv);

  ui::QtMessageBoxes qt_boxes;
  platform::SetMessageBoxes(&qt_boxes);
  if (!ui::ProgramFolderUsable(ui::FolderErrorEcho::kBoxOnly)) {
    platform::SetMessageBoxes(nullptr);
    return ui::kStoppedStatus;
  }

  ui::QtProgramStarter starter;
  ui::QtFileDialogs file_dialogs;
  ui::QtHelp help;
  platform::SetProgramStarter(&starter);
  platform::SetFileDialogs(&file_dialogs);
  platform::SetHelp(&help);

  Globals& globals = TheGlobals();
  ui::TMainForm main_form(globals, std::move(arguments));
  TOptForm opt_form(globals.options);
  ui::TAboutForm about_form;
  ui::TStatusDlg status_dlg(globals);
  main_form.AttachForms(&opt_form, &about_form, &status_dlg);

  // Closing the main window ends the program, even with the status dialog
  // still open.
  app.setQuitOnLastWindowClosed(false);
  QObject::connect(&main_form, &ui::TMainForm::Closed, &app, &QCoreApplication::quit);
  ui::InstallCloseSignals(main_form);
  ui::ArrangeScreenshots(main_form, opt_form, about_form, status_dlg);
  main_form.show();
  // A run the command line asked for starts on the first activation; a
  // window system that never activates the window must not keep it
  // waiting (FormActivate clears AutoStart, so it starts only once).
  QTimer::singleShot(0, &main_form, &ui::TMainForm::FormActivate);
  app.exec();
  const int status = ui::ExitStatus(main_form.LastRun());
  platform::SetHelp(nullptr);
  platform::SetFileDialogs(nullptr);
  platform::SetProgramStarter(nullptr);
  platform::SetMessageBoxes(nullptr);
  return status;
}

}  // namespace

int main(int argc, char* argv[]) { return RunWindowed(argc, argv); }
