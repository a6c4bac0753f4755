#pragma once

// Pictures of the windows for the documentation. When the environment
// variable QUILLET_SCREENSHOT_DIR names a folder, the windowed program saves
// main.png (the main window) and status.png (the status dialog) there once
// the run that the command line started has finished, then closes its main
// window. scripts/screenshots.sh uses it.

namespace quillet::ui {

class TMainForm;
class TStatusDlg;

// Does nothing when QUILLET_SCREENSHOT_DIR is not set.
void ArrangeScreenshots(TMainForm& main_form, TStatusDlg& status_dlg);

}  // namespace quillet::ui
