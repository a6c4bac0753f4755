// Program entry: chooses windowed or unattended mode. An unattended run
// stays in this process, which links no Qt library, so that a cron job
// starts in milliseconds; a windowed run replaces this process with the
// window program beside it (quillet-window), keeping its process id, its
// arguments and its name.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Global.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "platform/ProgramFolder.h"
#include "ui/CommandLine.h"
#include "ui/Headless.h"
#include "ui/RunOutcome.h"
#include "ui/StartUp.h"
#include "ui/Usage.h"

namespace {

// --help and --version: printed before anything else exists, so they work
// without a display and touch no file. A failed write is status 2.
int PrintInfo(quillet::ui::InfoRequest request) {
  using namespace quillet;
  std::string text = ui::VersionText();
  if (request == ui::InfoRequest::kHelp) {
    const std::string folder = platform::ProgramFolder(platform::FolderLookup::kLookOnly);
    text = ui::UsageText(platform::ToNativePath(folder).value_or(std::string()));
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  return std::fflush(stdout) == 0 && written ? 0 : 2;
}

// An unattended run: no window program, no Qt.
int RunHeadless(int argc, char* argv[]) {
  using namespace quillet;
  std::vector<std::string> arguments = ui::ArgumentsFromNative(argc, argv);
  ui::WriteOverriddenNote(stderr, ui::FileNameArguments(argc, argv));
  platform::StderrMessageBoxes stderr_boxes;
  platform::SetMessageBoxes(&stderr_boxes);
  int status = ui::kStoppedStatus;
  if (ui::ProgramFolderUsable(ui::FolderErrorEcho::kAlsoStandardError)) {
    status = ui::RunUnattended(TheGlobals(), std::move(arguments));
  }
  platform::SetMessageBoxes(nullptr);
  return status;
}

// Returns only when the window program cannot be started.
int RunWindowed(char* argv[]) {
  using namespace quillet;
  const std::string program =
      platform::ExecutableFolder().value_or(std::string(".")) + "/quillet-window";
  execv(program.c_str(), argv);
  std::fprintf(stderr, "quillet: cannot start the window program %s: %s\n", program.c_str(),
               std::strerror(errno));
  return ui::kStoppedStatus;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace quillet;
  if (const auto info = ui::InfoRequested(argc, argv); info != ui::InfoRequest::kNone) {
    return PrintInfo(info);
  }
  // Decided before anything of Qt's display exists: an unattended run
  // never makes one. A preview or hit counts report on the terminal, so
  // asking for them runs unattended wherever the program starts.
  if (ui::PrepareDisplay() == ui::DisplayMode::kHeadless || ui::AsksUnattendedRun(argc, argv))
    return RunHeadless(argc, argv);
  return RunWindowed(argv);
}
