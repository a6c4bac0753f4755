#pragma once

// The program starter of the windowed program: QProcess::startDetached with
// an argument list, so no shell sees the file names, the started program
// inherits the current directory and the environment, nothing waits for
// it, and no zombie process is left behind.

#include "platform/ProgramStarter.h"

namespace quillet::ui {

class QtProgramStarter : public platform::ProgramStarter {
 public:
  // Resolves the items with platform::ResolveLaunch. Returns 33 when the
  // process was started, platform::kFileNotFound when no executable file
  // was found or the start itself failed.
  int Start(const std::vector<std::string>& items) override;
};

}  // namespace quillet::ui
