#pragma once

// The options dialog, TOptForm: created once at start-up, second of the
// program's four windows. For now it is the window with its caption.

#include <QDialog>

namespace quillet {

class TOptForm : public QDialog {
  Q_OBJECT

 public:
  explicit TOptForm(QWidget* parent = nullptr);
};

}  // namespace quillet
