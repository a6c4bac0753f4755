// Program entry: chooses windowed or unattended mode. The windowed program
// creates the four windows in their order; the unattended one none.

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "core/Global.h"
#include "platform/FileDialogs.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStarter.h"
#include "ui/Aboutdlg.h"
#include "ui/AppIcon.h"
#include "ui/CloseSignals.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"
#include "ui/MainWnd.h"
#include "ui/OptDlg.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtHelp.h"
#include "ui/QtMessageBoxes.h"
#include "ui/QtProgramStarter.h"
#include "ui/QtText.h"
#include "ui/QtTranslations.h"
#include "ui/Screenshots.h"
#include "ui/StatusDlg.h"
#include "ui/UiTexts.h"
#include "ui/Usage.h"

namespace {

// --help and --version: printed before anything else exists, so they work
// without a display and touch no file. A failed write is status 2.
int PrintInfo(quillet::ui::InfoRequest request) {
  using namespace quillet;
  std::string text = ui::VersionText();
  if (request == ui::InfoRequest::kHelp) {
    const std::string folder = platform::ProgramFolder(platform::FolderLookup::kLookOnly);
    text = ui::UsageText(platform::ToNativePath(folder).value_or(std::string()));
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  return std::fflush(stdout) == 0 && written ? 0 : 2;
}

// A program folder whose name has no Shift-JIS form cannot be used, and no
// other folder's settings and definitions may stand in for it. The
// message-box service must be set. False when the program has to stop.
bool ProgramFolderUsable(quillet::ui::DisplayMode mode) {
  using namespace quillet;
  const platform::ProgramFolderChoice program_folder = platform::ChooseProgramFolder();
  if (!program_folder.folder.empty()) return true;
  platform::MessageBoxOk(ui_texts::kCaptionError,
                         std::string(ui_texts::kMsgProgramFolderHead) +
                             platform::ShownNativePath(program_folder.native) +
                             ui_texts::kMsgProgramFolderTail,
                         platform::MbIcon::kError);
  if (mode == ui::DisplayMode::kHeadless) {
    std::fprintf(stderr,
                 "quillet: the program folder %s%s has no Shift-JIS form; nothing was done\n",
                 program_folder.native.c_str(), program_folder.from_home ? " (QUILLET_HOME)" : "");
  }
  return false;
}

// An unattended run: no QApplication, no platform plugin, no widget.
int RunHeadless(int argc, char* argv[]) {
  using namespace quillet;
  std::vector<std::string> arguments = ui::ArgumentsFromNative(argc, argv);
  ui::WriteOverriddenNote(stderr, ui::FileNameArguments(argc, argv));
  platform::StderrMessageBoxes stderr_boxes;
  platform::SetMessageBoxes(&stderr_boxes);
  int status = ui::kStoppedStatus;
  if (ProgramFolderUsable(ui::DisplayMode::kHeadless)) {
    status = ui::RunUnattended(TheGlobals(), std::move(arguments));
  }
  platform::SetMessageBoxes(nullptr);
  return status;
}

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
  if (!ProgramFolderUsable(ui::DisplayMode::kWindowed)) {
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

int main(int argc, char* argv[]) {
  using namespace quillet;
  if (const auto info = ui::InfoRequested(argc, argv); info != ui::InfoRequest::kNone) {
    return PrintInfo(info);
  }
  // Decided before anything of Qt's display exists: an unattended run
  // never makes one. A preview or hit counts report on the terminal, so
  // asking for them runs unattended wherever the program starts.
  if (ui::PrepareDisplay() == ui::DisplayMode::kHeadless || ui::AsksUnattendedRun(argc, argv))
    return RunHeadless(argc, argv);
  return RunWindowed(argc, argv);
}
