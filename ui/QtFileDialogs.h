#pragma once

// The file dialogs of the windowed program: QFileDialog over the active
// window, with the paths converted between native and Windows form.

#include <QString>
#include <memory>
#include <string_view>

#include "platform/FileDialogs.h"

class QFileDialog;

namespace quillet::ui {

// The filter text "desc(pat)|pat|desc(pat;pat)|pat;pat" in Qt's form
// "desc (pat);;desc (pat pat)": each description loses the "(patterns)" it
// ends in, if any, and gets its patterns in Qt's parentheses, separated by
// blanks. "*.*" becomes "*", since on Windows it matches names without a
// dot too. A description without its pattern (a last odd item) is dropped.
QString QtFilter(std::string_view filter);

// The QFileDialog that Open shows for `request`, set up but not shown: its
// title, file mode, filter, folder and file name.
std::unique_ptr<QFileDialog> MakeOpenDialog(const platform::OpenFileDialog& request);

class QtFileDialogs : public platform::FileDialogService {
 public:
  // A file that cannot be written (refuse_read_only) is refused with a
  // message, and the dialog shown again. Chosen files whose names have no
  // Shift-JIS form are left out.
  bool Open(platform::OpenFileDialog& dialog) override;
  // The same dialog, opened modal to the active window; it deletes itself
  // once answered.
  void OpenWithoutWaiting(platform::OpenFileDialog& dialog,
                          std::function<void(bool)> done) override;
  // Opens at the root of drive Z:, the Unix root.
  std::optional<std::string> BrowseForFolder(std::string_view title) override;
};

}  // namespace quillet::ui
