#pragma once

// The help viewer, behind a seam: the windowed program opens the help
// document, tests record which topic was asked for.
//
// `help_file` is the program's help file in Windows form, Shift-JIS
// (program folder + "Quillet.hlp"); a viewer may show another document that
// stands for it.

#include <string_view>

namespace quillet::platform {

// The topic of the contents and index page (the help system's finder).
inline constexpr char kHelpContents[] = "contents";

class HelpService {
 public:
  virtual ~HelpService() = default;
  // Opens `help_file` at `topic` ("HID00000019", or kHelpContents). Returns
  // false when the help cannot be shown; the service has then told the
  // user.
  virtual bool ShowTopic(std::string_view help_file, std::string_view topic) = 0;
};

// The service in use. Until one is installed, help is never shown and every
// call answers false.
HelpService& Help();
// Installs `service` (not owned; null restores the default).
void SetHelp(HelpService* service);

}  // namespace quillet::platform
