#pragma once

// The About box, TAboutForm: created once at start-up, third of the
// program's four windows. For now it is the window with its caption.

#include <QDialog>

namespace quillet::ui {

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);
};

}  // namespace quillet::ui
