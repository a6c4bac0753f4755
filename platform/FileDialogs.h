#pragma once

// The open-file dialog and the folder browser, behind a seam: the windowed
// program shows real dialogs, tests answer them without blocking. Every
// text and path here is Shift-JIS; paths are in Windows form on drive Z:.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::platform {

// One open-file dialog with its settings, kept between showings like the
// system's dialog object.
struct OpenFileDialog {
  std::string title;        // empty: the system's default title
  std::string filter;       // "desc(pat)|pat|..." rows; empty: no filter
  std::string initial_dir;  // folder shown first; empty: the current one
  std::string file_name;    // name (or pattern) shown first; after OK the
                            // first chosen file, full path
  bool multi_select = false;
  bool must_exist = false;          // the chosen files must exist
  bool refuse_read_only = false;    // refuse a read-only file or folder
  std::vector<std::string> chosen;  // after OK: every chosen file, full
                                    // path, in the order of the list
};

class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  // Shows `dialog` and returns true when the user confirmed; then
  // `dialog.chosen` holds at least one file and `dialog.file_name` the
  // first. A cancel leaves `dialog` unchanged.
  virtual bool Open(OpenFileDialog& dialog) = 0;
  // Shows `dialog` as Open does but returns at once; once the user has
  // answered, `dialog` is updated as by Open and `done` is called with
  // Open's result. `dialog` must outlive the answer. For dialogs opened
  // during a run: the run holds a log file that other programs wait for, so
  // it must never wait on the user. This default answers through Open
  // before it returns.
  virtual void OpenWithoutWaiting(OpenFileDialog& dialog, std::function<void(bool)> done) {
    done(Open(dialog));
  }
  // Shows the folder browser over every drive and folder of the computer.
  // Returns the chosen folder's path ("Z:\var\log"; a root is "Z:\"), or
  // nullopt on cancel or a choice that has no path.
  virtual std::optional<std::string> BrowseForFolder(std::string_view title) = 0;
};

// The service in use. Until one is installed, every dialog is cancelled.
FileDialogService& FileDialogs();
// Installs `service` (not owned; null restores the default).
void SetFileDialogs(FileDialogService* service);

// Shows `dialog` through FileDialogs(). On OK the folder of the first chosen
// file becomes the current directory, as the system's dialog leaves it
// (a started editor finds bare file names there); a folder that cannot be
// entered leaves the current directory as it was.
bool ShowOpenDialog(OpenFileDialog& dialog);
// The same through OpenWithoutWaiting: returns at once and calls `done`
// with the answer, after the current directory has changed on OK.
void ShowOpenDialogWithoutWaiting(OpenFileDialog& dialog, std::function<void(bool)> done);

}  // namespace quillet::platform
