#pragma once

// Records the status log, the progress calls in order and every note of a run.

#include <functional>
#include <string>
#include <vector>

#include "core/StatusView.h"

namespace quillet::testing {

class StatusRecorder : public StatusView {
 public:
  void AppendLine(std::string_view line) override { log.emplace_back(line); }
  void ReplaceLastLine(std::string_view line) override {
    if (log.empty()) log.emplace_back();
    log.back() = std::string(line);
  }
  void FolderCounted(std::size_t) override {}
  void FolderFinished() override {}
  void FileStarted() override { events.push_back("file-started"); }
  void ProgressCaption(std::string_view c) override { events.push_back("size:" + std::string(c)); }
  void ProgressPosition(int p) override { events.push_back("gauge:" + std::to_string(p)); }
  void RunEnded() override {}
  void Repaint() override { events.push_back("repaint"); }
  void Yield() override {
    events.push_back("yield");
    if (on_yield) on_yield();
  }
  bool CancelRequested() override { return cancel; }
  void Note(const RunNote& note) override {
    notes.push_back({note.kind, std::string(note.path), std::string(note.other), note.code,
                     note.reason, note.error});
  }

  std::vector<std::string> log;
  // "size:100 bytes ", "gauge:12", "yield", "repaint" and "file-started" in order.
  std::vector<std::string> events;
  struct RecordedNote {
    RunNote::Kind kind;
    std::string path, other;
    int code;
    RefusalReason reason;
    int error;
  };
  std::vector<RecordedNote> notes;
  std::function<void()> on_yield;  // runs inside every Yield()
  bool cancel = false;             // what CancelRequested() answers
};

}  // namespace quillet::testing
