#pragma once

// The About box, TAboutForm: created once at start-up, third of the
// program's four windows, and shown modally by the main window's Help menu.
// It shows the program's icon, its name and "Version 1.25"; Enter and Esc
// both close it with the result OK, and F1 opens the help topic
// "HID00000023".

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace quillet::ui {

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);

  // Sets the caption of FVersion to "Version 1.25".
  void FormShow();

  // Esc closes the box like OKBttn: with the result OK.
  void reject() override;

  // Controls.
  QLabel* IconImage;
  QLabel* Title;
  QLabel* FVersion;
  QFrame* Separator;
  QPushButton* OKBttn;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
};

}  // namespace quillet::ui
