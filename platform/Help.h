#pragma once

// The help viewer, behind a seam: the windowed program opens the help
// document, tests record which topic was asked for.
//
// The help is one HTML document, Quillet.html in the program folder; its
// topics are anchors. Paths are in Windows form, Shift-JIS.

#include <string>
#include <string_view>

namespace quillet::platform {

// The topic of the contents and index page (the help system's finder).
inline constexpr char kHelpContents[] = "contents";

// The help document's file name, and its path: program folder + that name.
inline constexpr char kHelpDocumentName[] = "Quillet.html";
std::string HelpDocument();

class HelpService {
 public:
  virtual ~HelpService() = default;
  // Opens the help document `document` at `topic` ("HID00000019", or
  // kHelpContents). Returns false when the help cannot be shown; the
  // service has then told the user.
  virtual bool ShowTopic(std::string_view document, std::string_view topic) = 0;
};

// The service in use. Until one is installed, help is never shown and every
// call answers false.
HelpService& Help();
// Installs `service` (not owned; null restores the default).
void SetHelp(HelpService* service);

}  // namespace quillet::platform
