#pragma once

// How the last run ended, kept by the main window for the exit status of
// the program.

#include <cstdint>

namespace quillet::ui {

struct RunOutcome {
  bool started = false;  // a run was asked for (refused ones included)
  bool refused = false;  // the folder was refused before anything was touched
  int code = 0;          // the run-level code, 273 for a run that found no file
  std::int32_t ErrorCount = 0;
  bool cancelled = false;  // CancelRequested at the end of the run
};

// The exit status of a program that stopped without a run: nothing to do,
// or nothing it may do yet.
inline constexpr int kStoppedStatus = 2;

// The program's exit status: 0 when no run was made or the last run was
// clean (code 0, no file errors, not cancelled); 1 when files had errors or
// the run was cancelled; 2 when the run was refused or stopped by a
// run-level code (2 wins over 1).
inline int ExitStatus(const RunOutcome& run) {
  if (!run.started) return 0;
  if (run.refused || run.code != 0) return 2;
  if (run.ErrorCount > 0 || run.cancelled) return 1;
  return 0;
}

}  // namespace quillet::ui
