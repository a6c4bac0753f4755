#include "ui/Screenshots.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ui/Aboutdlg.h"
#include "ui/MainWnd.h"
#include "ui/OptDlg.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtText.h"
#include "ui/StatusDlg.h"

namespace quillet::ui {

namespace {

// Time for the windows to settle after the run before they are grabbed.
constexpr int kSettleMs = 500;

void Save(QWidget& window, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!window.grab().save(path, "PNG")) {
    std::fprintf(stderr, "quillet: cannot write %s\n", path.toLocal8Bit().constData());
  }
}

// Shows each page of the options dialog, loaded from the record, and the
// About box, without their modal loops, grabs them and hides them again.
void SaveDialogs(TOptForm& opt_form, TAboutForm& about_form, const QDir& folder) {
  opt_form.show();
  for (int page = 0; page < opt_form.Pages->count(); ++page) {
    opt_form.Pages->setCurrentIndex(page);
    const std::string name = "options-" + std::to_string(page + 1) + ".png";
    Save(opt_form, folder, name.c_str());
  }
  opt_form.Pages->setCurrentIndex(0);
  opt_form.hide();
  about_form.show();
  Save(about_form, folder, "about.png");
  about_form.hide();
}

// Opens the file dialog of the main window's file browse button as it
// would open, grabs it once its folder is listed, and closes the program.
void SaveFileDialogThenClose(TMainForm& main_form, const QDir& folder) {
  platform::OpenFileDialog request = main_form.TargetFileDialog;
  request.initial_dir = FromQString(main_form.EditFolder->text());
  std::shared_ptr<QFileDialog> dialog = MakeOpenDialog(request);
  dialog->setOption(QFileDialog::DontUseNativeDialog);  // a widget that can be grabbed
  dialog->show();
  QTimer::singleShot(kSettleMs, &main_form, [&main_form, dialog, folder] {
    Save(*dialog, folder, "file-dialog.png");
    dialog->hide();
    main_form.close();
  });
}

}  // namespace

void ArrangeScreenshots(TMainForm& main_form, TOptForm& opt_form, TAboutForm& about_form,
                        TStatusDlg& status_dlg) {
  const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR");
  if (dir == nullptr || dir[0] == '\0') return;
  const QDir folder(QString::fromLocal8Bit(dir));
  QObject::connect(&main_form, &TMainForm::RunFinished, &main_form,
                   [&main_form, &opt_form, &about_form, &status_dlg, folder] {
                     QTimer::singleShot(kSettleMs, &main_form,
                                        [&main_form, &opt_form, &about_form, &status_dlg, folder] {
                                          Save(main_form, folder, "main.png");
                                          if (status_dlg.isVisible())
                                            Save(status_dlg, folder, "status.png");
                                          SaveDialogs(opt_form, about_form, folder);
                                          SaveFileDialogThenClose(main_form, folder);
                                        });
                   });
}

}  // namespace quillet::ui
