#pragma once

// The help viewer of the windowed program: the help document Quillet.html,
// which stands for Quillet.hlp, opened in the desktop's browser at the
// topic's anchor (Quillet.html#HID00000019).
//
// The document is looked for beside the help file that was asked for (the
// program folder), then in the executable's folder, where an installed copy
// keeps it while its program folder lies in the configuration folder.

#include "platform/Help.h"

namespace quillet::ui {

class QtHelp : public platform::HelpService {
 public:
  // Returns false, after an information box, when no document is found or
  // the desktop has no browser to show it.
  bool ShowTopic(std::string_view help_file, std::string_view topic) override;
};

}  // namespace quillet::ui
