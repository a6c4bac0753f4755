#pragma once

// The message-box service of the windowed program: each box is a
// QMessageBox over the active window.

#include "platform/MessageBox.h"

namespace quillet::ui {

class QtMessageBoxes : public platform::MessageBoxService {
 public:
  // Shows the box and waits for the answer. CR or CR LF in `text` breaks a
  // line; both texts are shown as plain text, never as markup. The first
  // button (OK or Yes) is the default; closing the box or pressing Esc
  // answers Cancel or No where the box has it, else OK.
  platform::MbResult Show(std::string_view caption, std::string_view text, platform::MbIcon icon,
                          platform::MbButtons buttons) override;
  // Opens the box modal to the active window and returns at once; the box
  // deletes itself when dismissed.
  void ShowWithoutWaiting(std::string_view caption, std::string_view text,
                          platform::MbIcon icon) override;
};

}  // namespace quillet::ui
