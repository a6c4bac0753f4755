#include "tests/support/StatusRecorder.h"

namespace quillet::testing {

namespace {
// The controls' names as the dialog names them, in StatusControl order.
constexpr const char* kControlNames[] = {"CANCELBttn", "PanelBttn0", "SearchMsg", "Size", "Gauge"};

std::string Flag(const char* kind, StatusControl control, bool on) {
  return std::string(kind) + kControlNames[static_cast<int>(control)] + (on ? "=1" : "=0");
}
}  // namespace

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

void StatusRecorder::SetSizeCaption(std::string_view caption) {
  size_caption = std::string(caption);
  events.push_back("size:" + size_caption);
}

void StatusRecorder::SetGauge(int position) {
  gauge = position;
  events.push_back("gauge:" + std::to_string(position));
}

void StatusRecorder::Repaint() { events.push_back("repaint"); }

void StatusRecorder::Yield() {
  ++yields;
  events.push_back("yield");
  if (on_yield) on_yield();
}

void StatusRecorder::ShowDialog() { events.push_back("show"); }

void StatusRecorder::SetVisible(StatusControl control, bool visible) {
  events.push_back(Flag("visible:", control, visible));
}

void StatusRecorder::SetEnabled(StatusControl control, bool enabled) {
  events.push_back(Flag("enabled:", control, enabled));
}

}  // namespace quillet::testing
