#pragma once

// A main window with its status dialog on scratch folders: QUILLET_HOME
// names `home`, `work` holds the logs, message boxes are recorded, and the
// current directory and the environment are restored afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <climits>
#include <cstdlib>
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

class MainFormFixture : public ::testing::Test {
 protected:
  MainFormFixture() {
    char cwd[PATH_MAX];
    saved_cwd_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
    setenv("QUILLET_HOME", home.native().c_str(), 1);
  }
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
  std::string saved_cwd_;
};

}  // namespace quillet::ui
