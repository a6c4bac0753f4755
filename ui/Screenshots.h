#pragma once

// Pictures of the windows for the documentation. When the environment
// variable QUILLET_SCREENSHOT_DIR names a folder, the windowed program saves
// there, once the run that the command line started has finished:
// main.png (the main window), status.png (the status dialog),
// options-1.png .. options-5.png (each page of the options dialog),
// about.png (the About box) and file-dialog.png (the file dialog of the
// file browse button); then it closes its main window.
// scripts/screenshots.sh uses it.

namespace quillet {
class TOptForm;
}

namespace quillet::ui {

class TAboutForm;
class TMainForm;
class TStatusDlg;

// Does nothing when QUILLET_SCREENSHOT_DIR is not set.
void ArrangeScreenshots(TMainForm& main_form, TOptForm& opt_form, TAboutForm& about_form,
                        TStatusDlg& status_dlg);

}  // namespace quillet::ui
