#include "platform/FileDialogs.h"

#include <unistd.h>

#include "platform/Path.h"
#include "text/Separators.h"

namespace quillet::platform {

namespace {

class CancellingDialogs : public FileDialogService {
 public:
  bool Open(OpenFileDialog&) override { return false; }
  std::optional<std::string> BrowseForFolder(std::string_view) override { return std::nullopt; }
};

FileDialogService* installed_service = nullptr;

// The folder part of a Windows-form path: up to its last single-byte '\'
// (a 0x5C that is the second byte of a double-byte character does not
// count), that '\' included.
std::string_view FolderOf(std::string_view path) {
  const std::size_t separator = FindLastSingleByte(path, "\\");
  return path.substr(0, separator == std::string_view::npos ? 0 : separator + 1);
}

// After a confirmed dialog the folder of its first file becomes the current
// directory. Returns whether there is a choice.
bool EnterChosenFolder(bool confirmed, const OpenFileDialog& dialog) {
  if (!confirmed || dialog.chosen.empty()) return false;
  const std::string_view folder = FolderOf(dialog.chosen.front());
  if (auto native = ToNativePath(folder); native && !native->empty()) {
    if (chdir(native->c_str()) != 0) {
      // The folder may have gone meanwhile; the dialog's choice still stands.
    }
  }
  return true;
}

}  // namespace

FileDialogService& FileDialogs() {
  static CancellingDialogs cancelling;
  return installed_service != nullptr ? *installed_service : cancelling;
}

void SetFileDialogs(FileDialogService* service) { installed_service = service; }

bool ShowOpenDialog(OpenFileDialog& dialog) {
  return EnterChosenFolder(FileDialogs().Open(dialog), dialog);
}

void ShowOpenDialogWithoutWaiting(OpenFileDialog& dialog, std::function<void(bool)> done) {
  FileDialogs().OpenWithoutWaiting(dialog, [&dialog, done = std::move(done)](bool confirmed) {
    done(EnterChosenFolder(confirmed, dialog));
  });
}

}  // namespace quillet::platform
