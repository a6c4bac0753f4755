#include "ui/StartUp.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/TextIO.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "platform/ProgramFolder.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

using platform::MbIcon;

bool CopyLines(platform::File& from, platform::File& to) {
  LineReader reader(from);
  LineWriter writer(to);
  std::string line;
  LineEnd end;
  while (reader.ReadLine(line, end)) {
    if (!writer.WriteLine(line, end)) return false;
  }
  return !reader.failed() && writer.Flush();
}

}  // namespace

std::string CurrentFolderText() {
  std::vector<char> buffer(PATH_MAX);
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  std::string folder = platform::FromNativePath(buffer.data()).value_or(std::string());
  if (folder.size() > 3) folder += '\\';
  return folder;
}

bool SetCurrentFolder(std::string_view folder) {
  auto native = platform::ToNativePath(folder);
  return native && chdir(native->c_str()) == 0;
}

bool DefinitionFileWanted(platform::FileSystem& fs, std::string_view program_folder) {
  return !fs.Exists(std::string(program_folder) + "Quillet.def") &&
         fs.Exists(std::string(program_folder) + "Quillet.smp");
}

DefinitionFileCreation CreateDefinitionFile(platform::FileSystem& fs,
                                            std::string_view program_folder) {
  const std::string definition = std::string(program_folder) + "Quillet.def";
  const std::string sample = std::string(program_folder) + "Quillet.smp";
  if (!DefinitionFileWanted(fs, program_folder)) return DefinitionFileCreation::kNotNeeded;

  platform::MessageBoxOk(ui_texts::kCaptionDefCreate, ui_texts::kNoDefinitionCreate,
                         MbIcon::kInformation);
  std::unique_ptr<platform::File> from = fs.Open(sample, platform::OpenMode::kRead).file;
  if (!from) {
    platform::MessageBoxOk(ui_texts::kCaptionError, ui_texts::kSampleOpenError, MbIcon::kError);
    return DefinitionFileCreation::kFailed;
  }
  std::unique_ptr<platform::File> to =
      fs.Open(definition, platform::OpenMode::kCreateTruncate, platform::Links::kRefuse).file;
  if (!to) {
    from->Close();
    platform::MessageBoxOk(ui_texts::kCaptionError, ui_texts::kDefCreateError, MbIcon::kError);
    return DefinitionFileCreation::kFailed;
  }
  const bool copied = CopyLines(*from, *to);
  from->Close();
  // A close can report a delayed write failure: it counts as a write error.
  const bool closed = to->Close().ok();
  if (!copied || !closed) {
    platform::MessageBoxOk(ui_texts::kCaptionError, ui_texts::kDefCreateError, MbIcon::kError);
    return DefinitionFileCreation::kFailed;
  }
  platform::MessageBoxOk(ui_texts::kCaptionDefCreated, ui_texts::kDefCreated, MbIcon::kInformation);
  return DefinitionFileCreation::kCreated;
}

bool CheckRunFolder(platform::FileSystem& fs, const std::string& folder, StatusView* notes) {
  if (folder.size() < 3 || folder[1] != ':') {
    platform::MessageBoxOk(ui_texts::kCaptionQuillet, ui_texts::kFolderNotFullPath, MbIcon::kError);
    return false;
  }
  platform::Attributes attributes;
  if (!fs.GetAttributes(folder, attributes) || !attributes.directory) {
    if (notes != nullptr) notes->Note({.kind = RunNote::Kind::kFolderNotFound, .path = folder});
    platform::MessageBoxOk(ui_texts::kCaptionQuillet, ui_texts::kFolderNotFound, MbIcon::kError);
    return false;
  }
  return true;
}

bool ProgramFolderUsable(FolderErrorEcho echo) {
  const platform::ProgramFolderChoice program_folder = platform::ChooseProgramFolder();
  if (!program_folder.folder.empty()) return true;
  platform::MessageBoxOk(ui_texts::kCaptionError,
                         std::string(ui_texts::kMsgProgramFolderHead) +
                             platform::ShownNativePath(program_folder.native) +
                             ui_texts::kMsgProgramFolderTail,
                         platform::MbIcon::kError);
  if (echo == FolderErrorEcho::kAlsoStandardError) {
    std::fprintf(stderr,
                 "quillet: the program folder %s%s has no Shift-JIS form; nothing was done\n",
                 program_folder.native.c_str(), program_folder.from_home ? " (QUILLET_HOME)" : "");
  }
  return false;
}

}  // namespace quillet::ui
