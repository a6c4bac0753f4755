#pragma once

// Doubles of the program starter and the file dialogs: each
// records what it was asked, answers as the test chose, and installs itself
// for its lifetime.

#include <optional>
#include <string>
#include <vector>

#include "platform/FileDialogs.h"
#include "platform/ProgramStarter.h"

namespace quillet::testing {

class RecordingStarter : public platform::ProgramStarter {
 public:
  RecordingStarter() { platform::SetProgramStarter(this); }
  ~RecordingStarter() override { platform::SetProgramStarter(nullptr); }
  int Start(const std::vector<std::string>& items) override {
    command_lines.push_back(platform::QuotedCommandLine(items));
    return result;
  }
  std::vector<std::string> command_lines;
  int result = 33;
};

class ScriptedFileDialogs : public platform::FileDialogService {
 public:
  ScriptedFileDialogs() { platform::SetFileDialogs(this); }
  ~ScriptedFileDialogs() override { platform::SetFileDialogs(nullptr); }
  // Answers with `chosen` (full Windows-form paths), or cancels when empty.
  bool Open(platform::OpenFileDialog& dialog) override {
    shown.push_back(dialog);
    if (chosen.empty()) return false;
    dialog.chosen = chosen;
    dialog.file_name = chosen.front();
    return true;
  }
  std::optional<std::string> BrowseForFolder(std::string_view) override { return {}; }
  std::vector<std::string> chosen;
  std::vector<platform::OpenFileDialog> shown;  // as each dialog was shown
};

}  // namespace quillet::testing
