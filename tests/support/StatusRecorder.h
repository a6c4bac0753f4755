#pragma once

// A StatusView that records what a run shows: the status log as lines, every
// call as an event (to check the order of calls) and every note.

#include <functional>
#include <string>
#include <vector>

#include "core/StatusView.h"

namespace quillet::testing {

class StatusRecorder : public StatusView {
 public:
  void AppendLine(std::string_view line) override;
  void ReplaceLastLine(std::string_view line) override;
  void FolderCounted(std::size_t count) override;
  void FolderFinished() override;
  void FileStarted() override;
  void ProgressCaption(std::string_view caption) override;
  void ProgressPosition(int position) override;
  void RunEnded() override;
  void Repaint() override;
  void Yield() override;
  bool CancelRequested() override { return cancel; }
  void Note(const RunNote& note) override;

  // The status log, one entry per appended line.
  std::vector<std::string> log;
  // Every call in order, e.g. "append:...", "gauge:12", "size:100 bytes ",
  // "yield", "repaint", "counted:3", "file-started".
  std::vector<std::string> events;
  struct RecordedNote {
    RunNote::Kind kind;
    std::string path;
    std::string other;
    int code;
    RefusalReason reason;
    int error;
  };
  std::vector<RecordedNote> notes;
  // Runs inside every Yield(); a test asks for a cancel from here.
  std::function<void()> on_yield;
  // What CancelRequested() answers.
  bool cancel = false;
};

}  // namespace quillet::testing
