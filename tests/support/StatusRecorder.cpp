#include "tests/support/StatusRecorder.h"

namespace quillet::testing {

void StatusRecorder::AppendLine(std::string_view line) {
  log.emplace_back(line);
  events.push_back("append:" + std::string(line));
}

void StatusRecorder::Note(const RunNote& note) {
  notes.push_back({note.kind, std::string(note.path), std::string(note.other), note.code,
                   note.reason, note.error});
}

void StatusRecorder::ReplaceLastLine(std::string_view line) {
  if (log.empty()) log.emplace_back();
  log.back() = std::string(line);
  events.push_back("replace:" + std::string(line));
}

void StatusRecorder::FolderCounted(std::size_t count) {
  events.push_back("counted:" + std::to_string(count));
}

void StatusRecorder::FolderFinished() { events.push_back("folder-finished"); }
void StatusRecorder::FileStarted() { events.push_back("file-started"); }
void StatusRecorder::RunEnded() { events.push_back("run-ended"); }
void StatusRecorder::Repaint() { events.push_back("repaint"); }

void StatusRecorder::ProgressCaption(std::string_view caption) {
  events.push_back("size:" + std::string(caption));
}

void StatusRecorder::ProgressPosition(int position) {
  events.push_back("gauge:" + std::to_string(position));
}

void StatusRecorder::Yield() {
  events.push_back("yield");
  if (on_yield) on_yield();
}

}  // namespace quillet::testing
