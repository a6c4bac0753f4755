#pragma once

// Message boxes, behind a seam: the windowed program shows real boxes, an
// unattended run writes them to standard error, and tests record them.

#include <string>
#include <string_view>

namespace quillet::platform {

enum class MbIcon { kNone, kInformation, kWarning, kError, kQuestion };
enum class MbButtons { kOk, kOkCancel, kYesNo };
enum class MbResult { kOk, kCancel, kYes, kNo };

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows `text` with `caption` (both Shift-JIS; "\r" breaks a line) and
  // returns the button the user chose.
  virtual MbResult Show(std::string_view caption, std::string_view text, MbIcon icon,
                        MbButtons buttons) = 0;
  // Shows an OK box like Show() but returns at once, leaving the box up
  // until the user dismisses it. For boxes that a click can raise while a
  // run is going on: the run holds a log file that other programs wait for,
  // so it must never wait on the user. This default shows it through Show().
  virtual void ShowWithoutWaiting(std::string_view caption, std::string_view text, MbIcon icon) {
    Show(caption, text, icon, MbButtons::kOk);
  }
};

// The service in use. Until one is installed, every box is written to
// standard error and answered with OK (or Yes).
MessageBoxService& MessageBoxes();
// Installs `service` (not owned; null restores the default).
void SetMessageBoxes(MessageBoxService* service);

// Shorthand for an OK box.
inline void MessageBoxOk(std::string_view caption, std::string_view text, MbIcon icon) {
  MessageBoxes().Show(caption, text, icon, MbButtons::kOk);
}

// Shorthand for an OK box that does not wait for the user.
inline void MessageBoxOkWithoutWaiting(std::string_view caption, std::string_view text,
                                       MbIcon icon) {
  MessageBoxes().ShowWithoutWaiting(caption, text, icon);
}

// Writes a box to standard error in UTF-8: the caption, then the text (CR
// bytes become line breaks), and answers OK or Yes.
class StderrMessageBoxes : public MessageBoxService {
 public:
  MbResult Show(std::string_view caption, std::string_view text, MbIcon icon,
                MbButtons buttons) override;
};

}  // namespace quillet::platform
