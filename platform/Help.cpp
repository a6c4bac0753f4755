#include "platform/Help.h"

#include "platform/ProgramFolder.h"

namespace quillet::platform {

namespace {

class NoHelp : public HelpService {
 public:
  bool ShowTopic(std::string_view, std::string_view) override { return false; }
};

HelpService* installed_service = nullptr;

}  // namespace

std::string HelpDocument() { return ProgramFolder() + kHelpDocumentName; }

HelpService& Help() {
  static NoHelp none;
  return installed_service != nullptr ? *installed_service : none;
}

void SetHelp(HelpService* service) { installed_service = service; }

}  // namespace quillet::platform
