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
};

}  // namespace quillet
