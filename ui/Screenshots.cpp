#include "ui/Screenshots.h"

#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ui/MainWnd.h"
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

}  // namespace

void ArrangeScreenshots(TMainForm& main_form, TStatusDlg& status_dlg) {
  const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR");
  if (dir == nullptr || dir[0] == '\0') return;
  const QDir folder(QString::fromLocal8Bit(dir));
  QObject::connect(&main_form, &TMainForm::RunFinished, &main_form,
                   [&main_form, &status_dlg, folder] {
                     QTimer::singleShot(kSettleMs, &main_form, [&main_form, &status_dlg, folder] {
                       Save(main_form, folder, "main.png");
                       if (status_dlg.isVisible()) Save(status_dlg, folder, "status.png");
                       main_form.close();
                     });
                   });
}

}  // namespace quillet::ui
