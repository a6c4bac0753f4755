#pragma once

// What a run tells whoever watches it: the lines of the status log, the
// progress of the file in work, the folder, file or run that started or
// ended, and notes. The status dialog decides which of its controls that
// shows; the unattended writer what it prints; tests record it. All texts
// are Shift-JIS bytes; a text holding CR LF shows as two lines.

#include <cstddef>
#include <string_view>

namespace quillet {

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
  // A folder's matching files are counted (`count` of them); its files
  // follow when there are any.
  virtual void FolderCounted(std::size_t count) = 0;
  // The files of a folder are done (or the cancel stopped them).
  virtual void FolderFinished() = 0;
  // A file is taken up, processed or shown as skipped: its progress starts
  // from nothing.
  virtual void FileStarted() = 0;
  // The progress of the file in work: the caption in bytes, and the
  // position 0..100 of the pass (values above 100 show as full).
  virtual void ProgressCaption(std::string_view caption) = 0;
  virtual void ProgressPosition(int position) = 0;
  // The run is over; only its closing lines follow.
  virtual void RunEnded() = 0;
  // A moment at which what was reported should be seen at once.
  virtual void Repaint() = 0;
  // Lets the watcher handle what is pending (the window system's messages),
  // then returns.
  virtual void Yield() = 0;
  // Whether the watcher asks the run to stop (a Cancel button, a signal).
  // The run asks before each folder and each file and finishes the file in
  // work first. Asked for once, the answer stays until the run has ended.
  // The default never asks.
  virtual bool CancelRequested() { return false; }
  // Tells a watcher what the status log does not say; the log itself is
  // never changed by it. The default ignores the note.
  virtual void Note(const RunNote& /*note*/) {}
};

}  // namespace quillet
