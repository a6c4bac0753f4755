#pragma once

// SIGINT and SIGTERM in the windowed program: each asks the main window to
// close, as its close box does. The settings are saved and the program
// ends; during a run the close is refused with its box and the run goes
// on, so a signal never cuts a log file's rewrite short. (Unattended runs
// treat the same signals as Cancel instead, see ui/Headless.h.)

namespace quillet::ui {

class TMainForm;

// Installs the handlers; `main_form` must outlive the program's event loop.
// Returns false when the signal pipe cannot be made (the signals then keep
// their default action).
bool InstallCloseSignals(TMainForm& main_form);

}  // namespace quillet::ui
