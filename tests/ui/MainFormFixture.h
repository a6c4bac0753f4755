#pragma once

// A main window with its status dialog on scratch folders: QUILLET_HOME
// names `home`, `work` holds the logs, message boxes are recorded, and the
// current directory is restored afterwards. Also the shared input helpers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/Global.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/TestUtil.h"
#include "ui/MainWnd.h"
#include "ui/QtText.h"
#include "ui/StatusDlg.h"

namespace quillet::ui {

inline std::string WorkingDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

inline void PressKey(QWidget* target, Qt::Key key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
}

// Clicks the left button inside the log of the status dialog.
inline void ClickLog(TStatusDlg& dlg) {
  QWidget* viewport = dlg.DispStatus->viewport();
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent click(type, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &click);
  }
}

class MainFormFixture : public ::testing::Test {
 protected:
  MainFormFixture() { setenv("QUILLET_HOME", home.native().c_str(), 1); }
  ~MainFormFixture() override {
    status.reset();
    form.reset();
    unsetenv("QUILLET_HOME");
    if (chdir(saved_cwd_.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << saved_cwd_;
  }

  void Create(std::vector<std::string> arguments = {}) {
    form = std::make_unique<TMainForm>(globals, std::move(arguments));
    status = std::make_unique<TStatusDlg>(globals);
    form->AttachForms(nullptr, nullptr, status.get());
    QObject::connect(form.get(), &TMainForm::Closed, [this] { ++closed; });
  }

  // Names the folder (Windows form) and the pattern, and presses Start.
  void Run(const std::string& folder, const std::string& pattern) {
    form->EditFolder->setText(ToQString(folder));
    form->EditFName->setText(ToQString(pattern));
    form->StartButtonClick();
  }

  quillet::testing::ScratchDir home;
  quillet::testing::ScratchDir work;
  Globals globals;
  quillet::testing::RecordingMessageBoxes boxes;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TStatusDlg> status;
  int closed = 0;

 private:
  std::string saved_cwd_ = WorkingDirectory();
};

}  // namespace quillet::ui
