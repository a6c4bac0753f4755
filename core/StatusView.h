#pragma once

// What the processing core shows in the status dialog. The dialog
// implements it; tests implement it with a recorder. All texts are
// Shift-JIS bytes; a text holding CR LF shows as two lines.

#include <string_view>

namespace quillet {

enum class StatusControl {
  kCancelBttn,  // CANCELBttn
  kPanelBttn0,  // PanelBttn0: the Close and Help buttons
  kSearchMsg,   // SearchMsg: "searching for files"
  kSize,        // Size: byte progress label
  kGauge,       // Gauge: progress bar, range 0..100
};

// Why a file was refused with frOpenError (257) or frTempOpenError (258).
enum class RefusalReason {
  kUnknown,           // a read or a write failed
  kHeldOpen,          // another process (or another run) has the file open
  kHardLinks,         // the file has more than one hard link
  kLink,              // the name is a symbolic link
  kGone,              // the file is no longer there
  kPermissionDenied,  // the system refused the access
  kNotAFile,          // the name is no longer a regular file
  kNoShiftJisName,    // a name the listing showed with '?', or one holding '?' or '*'
  kPendingCopy,       // the temporary file is marked pending: it may hold the only whole text
  kUnmarkedCopy,      // a temporary file is left where no pending mark can be kept
  kSystemError,       // `error` is the errno
};

// Something a run can explain beyond its status log, for a watcher that
// gives such explanations (an unattended run writes them to standard
// error). Paths are Shift-JIS, Windows form; they are valid for the call.
struct RunNote {
  enum class Kind {
    kFolderNotFound,         // path: the folder the run was given
    kFolderNotEntered,       // path: a subfolder whose listed name holds '?' or '*'
    kDefinitionFileChosen,   // path: the Quillet.def that a folder's files use
    kDefinitionFileMissing,  // path: the folder's Quillet.def; other: the program folder's
    kFileRefused,            // path: the log file; code, reason; other: the file the reason
                             // concerns when it is not the log file (its temporary file)
  };
  Kind kind = Kind::kFolderNotFound;
  std::string_view path = {};
  std::string_view other = {};
  int code = 0;
  RefusalReason reason = RefusalReason::kUnknown;
  int error = 0;
};

class StatusView {
 public:
  virtual ~StatusView() = default;
  // Adds one line at the end of the status log.
  virtual void AppendLine(std::string_view line) = 0;
  // Overwrites the line that is last at this moment.
  virtual void ReplaceLastLine(std::string_view line) = 0;
  // Sets the caption of the Size label.
  virtual void SetSizeCaption(std::string_view caption) = 0;
  // Sets the Gauge position (values above 100 show as full).
  virtual void SetGauge(int position) = 0;
  // Redraws the dialog at once.
  virtual void Repaint() = 0;
  // Processes pending window-system messages, then returns. A Cancel press
  // handled here sets CancelRequested.
  virtual void Yield() = 0;
  // Shows the dialog, or brings it up when it is already shown.
  virtual void ShowDialog() = 0;
  virtual void SetVisible(StatusControl control, bool visible) = 0;
  virtual void SetEnabled(StatusControl control, bool enabled) = 0;
  // Tells a watcher what the status log does not say; the log itself is
  // never changed by it. The default ignores the note.
  virtual void Note(const RunNote& /*note*/) {}
};

}  // namespace quillet
