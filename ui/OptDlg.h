#pragma once

// The options dialog, TOptForm: created once at start-up, second of the
// program's four windows, and shown modally by the main window. It changes
// every field of ProcessingOptions except the status-dialog sizes.
//
// The dialog works on its own controls: each showing (FormShow) loads them
// from the record, and only a successful OK stores them back, in a fixed
// order, and saves Quillet.ini in the program folder at once. Message boxes,
// the editor browse dialog and the help go through the platform seams.

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "core/Global.h"
#include "platform/FileDialogs.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace quillet {

class TOptForm : public QDialog {
  Q_OBJECT

 public:
  // `options` is the record the dialog loads and stores; it must outlive
  // the dialog. Runs FormCreate.
  explicit TOptForm(ProcessingOptions& options, QWidget* parent = nullptr);

  // Called on OK with the filter text BuildFileFilter makes of the stored
  // record, for the main window's file dialogs (empty clears their filter).
  void SetFilterHandler(std::function<void(const std::string& filter)> handler) {
    filter_handler_ = std::move(handler);
  }

  // Handlers, named after control and event.
  // Makes FilePage the active page; later showings open on the page that
  // was active when the dialog last closed.
  void FormCreate();
  // Loads every control from the record, then applies the auto-skip rule;
  // the focus goes to the pages and OK is the default button.
  void FormShow();
  void FOpBackExtChange();
  void FOpIncExtChange();
  // OK is enabled exactly when neither extension box is blank once trimmed.
  void UpdateOkEnabled();
  // FOpSkip on: FOpTimeZ on and disabled, FOpSkipDisp enabled. Off: FOpTimeZ
  // enabled keeping its state, FOpSkipDisp disabled keeping its state.
  void FOpSkipClick();
  // Browses for the editor program through EditorDialog; the process's
  // current directory is the same afterwards, confirmed or not.
  void EditorBrowseClick();
  // Refuses equal extensions with an error box (the dialog stays open);
  // otherwise stores the controls into the record, hands the new filter to
  // the filter handler, saves Quillet.ini and closes. A failed save shows
  // its error box and leaves the dialog open, the record already changed.
  void OKClick();
  // Closes without storing anything.
  void CancelClick();
  // Opens the help topic "HID00000019".
  void HelpClick();

  // Controls.
  QTabWidget* Pages;
  QWidget* FilePage;
  QWidget* SkipPage;
  QWidget* ExtensionPage;
  QWidget* EditorPage;
  QWidget* FilterPage;
  QGroupBox* TrimGroup;
  QRadioButton* FOpTrimOff;
  QRadioButton* FOpTrim;
  QGroupBox* BlankLineGroup;
  QRadioButton* FOpAll;
  QRadioButton* FOpOneBlank;
  QRadioButton* FOpNoBlank;
  QGroupBox* CodeGroup;
  QRadioButton* FOpShiftJis;
  QRadioButton* FOpUtf8;
  QGroupBox* SkipGroup;
  QCheckBox* FOpSkip;
  QLabel* SkipNote;
  QCheckBox* FOpSkipDisp;
  QGroupBox* TimeStampGroup;
  QCheckBox* FOpTimeZ;
  QFrame* TimeStampSeparator;
  QRadioButton* FOpTime;
  QRadioButton* FOpTimeChg;
  QGroupBox* BackupGroup;
  QLineEdit* FOpBackExt;
  QCheckBox* FOpBack;
  QGroupBox* IncrementGroup;
  QCheckBox* FOpInc;
  QLabel* IncrementNote;
  QLineEdit* FOpIncExt;
  QGroupBox* EditorGroup;
  QLineEdit* FOpEditor;
  QPushButton* EditorBrowse;
  QGroupBox* EditorStartGroup;
  QRadioButton* FOpMulti;
  QRadioButton* FOpSingle;
  QGroupBox* FilterGroup;
  QLineEdit* FOpF1;
  QLineEdit* FOpS1;
  QLineEdit* FOpF2;
  QLineEdit* FOpS2;
  QLineEdit* FOpF3;
  QLineEdit* FOpS3;
  QLineEdit* FOpF4;
  QLineEdit* FOpS4;
  QLineEdit* FOpF5;
  QLineEdit* FOpS5;
  QPushButton* OK;
  QPushButton* Cancel;
  QPushButton* Help;
  platform::OpenFileDialog EditorDialog;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow

 private:
  void CreatePages();
  void CreateFilePage();
  void CreateSkipPage();
  void CreateExtensionPage();
  void CreateEditorPage();
  void CreateFilterPage();
  void StoreControls();

  // The filter rows in order: {FOpF1, FOpS1} .. {FOpF5, FOpS5}, with the
  // record's fields of each row.
  struct FilterRow {
    QLineEdit* pattern;
    QLineEdit* description;
    std::string ProcessingOptions::*pattern_field;
    std::string ProcessingOptions::*description_field;
  };
  std::array<FilterRow, 5> FilterRows() const;

  ProcessingOptions& options_;
  std::function<void(const std::string&)> filter_handler_;
};

}  // namespace quillet
