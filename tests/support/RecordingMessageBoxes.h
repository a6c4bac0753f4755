#pragma once

// A message-box service for tests: records every box and answers with a
// chosen button, so a test never blocks. Installs itself for its lifetime.

#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace quillet::testing {

struct RecordedBox {
  std::string caption;  // Shift-JIS
  std::string text;     // Shift-JIS
  platform::MbIcon icon;
  bool waited = true;  // false: shown without waiting for the answer
};

class RecordingMessageBoxes : public platform::MessageBoxService {
 public:
  RecordingMessageBoxes() { platform::SetMessageBoxes(this); }
  ~RecordingMessageBoxes() override { platform::SetMessageBoxes(nullptr); }

  platform::MbResult Show(std::string_view caption, std::string_view text, platform::MbIcon icon,
                          platform::MbButtons) override {
    boxes.push_back({std::string(caption), std::string(text), icon});
    return answer;
  }
  void ShowWithoutWaiting(std::string_view caption, std::string_view text,
                          platform::MbIcon icon) override {
    boxes.push_back({std::string(caption), std::string(text), icon, false});
  }

  std::vector<RecordedBox> boxes;
  platform::MbResult answer = platform::MbResult::kOk;
};

}  // namespace quillet::testing
