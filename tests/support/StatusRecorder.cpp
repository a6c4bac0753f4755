#include "tests/support/StatusRecorder.h"

namespace quillet::testing {

namespace {
const char* ControlName(StatusControl control) {
  switch (control) {
    case StatusControl::kCancelBttn:
      return "CANCELBttn";
    case StatusControl::kPanelBttn0:
      return "PanelBttn0";
    case StatusControl::kSearchMsg:
      return "SearchMsg";
    case StatusControl::kSize:
      return "Size";
    case StatusControl::kGauge:
      return "Gauge";
  }
  return "?";
}
}  // namespace

void StatusRecorder::AppendLine(std::string_view line) {
  log.emplace_back(line);
  events.push_back("append:" + std::string(line));
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
  events.push_back(std::string("visible:") + ControlName(control) + "=" + (visible ? "1" : "0"));
}

void StatusRecorder::SetEnabled(StatusControl control, bool enabled) {
  events.push_back(std::string("enabled:") + ControlName(control) + "=" + (enabled ? "1" : "0"));
}

}  // namespace quillet::testing
