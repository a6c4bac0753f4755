#include "ui/OptDlg.h"

#include <limits.h>
#include <unistd.h>

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QValidator>
#include <vector>

#include "config/Settings.h"
#include "core/FileName.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/Sjis.h"
#include "text/ByteText.h"
#include "ui/Fonts.h"
#include "ui/OptTexts.h"

namespace quillet {

namespace {

namespace t = opt_texts;

constexpr int kClientWidth = 413;
constexpr int kClientHeight = 357;
constexpr char kHelpTopic[] = "HID00000019";

QString Q(std::string_view sjis) {
  return QString::fromStdString(platform::SjisToUtf8(sjis).value_or(std::string()));
}

// A character with no Shift-JIS form becomes '?'; the validator below keeps
// such characters out of the boxes in the first place.
std::string FromQ(const QString& text) {
  if (auto whole = platform::Utf8ToSjis(text.toStdString())) return *whole;
  std::string sjis;
  for (const QChar character : text) {
    sjis += platform::Utf8ToSjis(QString(character).toStdString()).value_or("?");
  }
  return sjis;
}

class SjisValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return platform::Utf8ToSjis(input.toStdString()) ? Acceptable : Invalid;
  }
};

// The box's text without its leading and trailing blanks and control bytes.
std::string Trimmed(const QLineEdit* edit) { return std::string(TrimBlanks(FromQ(edit->text()))); }

QFont FixedPitchFont() {
  QFont font;
  font.setFamilies(
      {QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"), QStringLiteral("Monospace")});
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(12);
  return font;
}

template <typename Control>
Control* Make(QWidget* parent, const char* name, const char* caption, int x, int y, int width,
              int height) {
  auto* control = new Control(Q(caption), parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(x, y, width, height);
  return control;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int x, int y, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(x, y, width, 22);
  edit->setValidator(new SjisValidator(edit));
  return edit;
}

QWidget* AddPage(QTabWidget* pages, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  pages->addTab(page, Q(caption));
  return page;
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

}  // namespace

TOptForm::TOptForm(ProcessingOptions& options, QWidget* parent)
    : QDialog(parent), options_(options) {
  setObjectName(QStringLiteral("OptForm"));
  setWindowTitle(Q(t::kOptCaption));
  // A fixed dialog border: a title, no title-bar buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(FormFont());
  setFixedSize(kClientWidth, kClientHeight);

  CreatePages();
  OK = Make<QPushButton>(this, "OK", t::kOK, 152, 324, 80, 25);
  Cancel = Make<QPushButton>(this, "Cancel", t::kCancel, 238, 324, 80, 25);
  Help = Make<QPushButton>(this, "Help", t::kHelp, 324, 324, 80, 25);
  OK->setDefault(true);
  // QDialog's Esc already rejects, which is what Cancel does.
  connect(OK, &QPushButton::clicked, this, &TOptForm::OKClick);
  connect(Cancel, &QPushButton::clicked, this, &TOptForm::CancelClick);
  connect(Help, &QPushButton::clicked, this, &TOptForm::HelpClick);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          &TOptForm::HelpClick);

  EditorDialog.title = t::kEditorDialogTitle;
  EditorDialog.filter = t::kEditorDialogFilter;
  EditorDialog.must_exist = true;
  FormCreate();
}

void TOptForm::CreatePages() {
  Pages = new QTabWidget(this);
  Pages->setObjectName(QStringLiteral("Pages"));
  Pages->setGeometry(8, 8, kClientWidth - 16, 308);
  FilePage = AddPage(Pages, "FilePage", t::kFilePage);
  SkipPage = AddPage(Pages, "SkipPage", t::kSkipPage);
  ExtensionPage = AddPage(Pages, "ExtensionPage", t::kExtensionPage);
  EditorPage = AddPage(Pages, "EditorPage", t::kEditorPage);
  FilterPage = AddPage(Pages, "FilterPage", t::kFilterPage);
  CreateFilePage();
  CreateSkipPage();
  CreateExtensionPage();
  CreateEditorPage();
  CreateFilterPage();
}

void TOptForm::CreateFilePage() {
  TrimGroup = Make<QGroupBox>(FilePage, "TrimGroup", t::kTrimGroup, 8, 8, 377, 84);
  FOpTrimOff = Make<QRadioButton>(TrimGroup, "FOpTrimOff", t::kFOpTrimOff, 16, 24, 340, 20);
  FOpTrim = Make<QRadioButton>(TrimGroup, "FOpTrim", t::kFOpTrim, 16, 52, 340, 20);
  BlankLineGroup =
      Make<QGroupBox>(FilePage, "BlankLineGroup", t::kBlankLineGroup, 8, 102, 377, 112);
  FOpAll = Make<QRadioButton>(BlankLineGroup, "FOpAll", t::kFOpAll, 16, 24, 340, 20);
  FOpOneBlank = Make<QRadioButton>(BlankLineGroup, "FOpOneBlank", t::kFOpOneBlank, 16, 52, 340, 20);
  FOpNoBlank = Make<QRadioButton>(BlankLineGroup, "FOpNoBlank", t::kFOpNoBlank, 16, 80, 340, 20);
  CodeGroup = Make<QGroupBox>(FilePage, "CodeGroup", t::kCodeGroup, 8, 224, 377, 50);
  FOpShiftJis = Make<QRadioButton>(CodeGroup, "FOpShiftJis", t::kFOpShiftJis, 16, 22, 160, 20);
  FOpUtf8 = Make<QRadioButton>(CodeGroup, "FOpUtf8", t::kFOpUtf8, 190, 22, 160, 20);
}

void TOptForm::CreateSkipPage() {
  SkipGroup = Make<QGroupBox>(SkipPage, "SkipGroup", t::kSkipGroup, 8, 8, 377, 112);
  FOpSkip = Make<QCheckBox>(SkipGroup, "FOpSkip", t::kFOpSkip, 16, 24, 340, 20);
  SkipNote = Make<QLabel>(SkipGroup, "SkipNote", t::kSkipNote, 36, 48, 330, 20);
  FOpSkipDisp = Make<QCheckBox>(SkipGroup, "FOpSkipDisp", t::kFOpSkipDisp, 16, 80, 340, 20);
  TimeStampGroup =
      Make<QGroupBox>(SkipPage, "TimeStampGroup", t::kTimeStampGroup, 8, 130, 377, 128);
  FOpTimeZ = Make<QCheckBox>(TimeStampGroup, "FOpTimeZ", t::kFOpTimeZ, 16, 24, 340, 20);
  TimeStampSeparator = new QFrame(TimeStampGroup);
  TimeStampSeparator->setObjectName(QStringLiteral("TimeStampSeparator"));
  TimeStampSeparator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  TimeStampSeparator->setGeometry(16, 54, 345, 4);
  FOpTime = Make<QRadioButton>(TimeStampGroup, "FOpTime", t::kFOpTime, 16, 66, 340, 20);
  FOpTimeChg = Make<QRadioButton>(TimeStampGroup, "FOpTimeChg", t::kFOpTimeChg, 16, 94, 340, 20);
  connect(FOpSkip, &QCheckBox::clicked, this, &TOptForm::FOpSkipClick);
}

void TOptForm::CreateExtensionPage() {
  BackupGroup = Make<QGroupBox>(ExtensionPage, "BackupGroup", t::kBackupGroup, 8, 8, 377, 92);
  Make<QLabel>(BackupGroup, "BackupExtLabel", t::kLabelExt, 16, 28, 60, 20);
  FOpBackExt = MakeEdit(BackupGroup, "FOpBackExt", 76, 26, 64);
  FOpBack = Make<QCheckBox>(BackupGroup, "FOpBack", t::kFOpBack, 16, 60, 340, 20);
  IncrementGroup =
      Make<QGroupBox>(ExtensionPage, "IncrementGroup", t::kIncrementGroup, 8, 110, 377, 140);
  FOpInc = Make<QCheckBox>(IncrementGroup, "FOpInc", t::kFOpInc, 16, 24, 340, 20);
  IncrementNote = Make<QLabel>(IncrementGroup, "IncrementNote", t::kIncrementNote, 36, 48, 330, 40);
  IncrementNote->setWordWrap(true);
  Make<QLabel>(IncrementGroup, "IncrementExtLabel", t::kLabelIncExt, 16, 102, 130, 20);
  FOpIncExt = MakeEdit(IncrementGroup, "FOpIncExt", 146, 100, 64);
  for (QLineEdit* extension : {FOpBackExt, FOpIncExt}) extension->setFont(FixedPitchFont());
  // The editor box is tied to the same handler as FOpBackExt; the test
  // itself looks at the extension boxes only.
  connect(FOpBackExt, &QLineEdit::textChanged, this, &TOptForm::FOpBackExtChange);
  connect(FOpIncExt, &QLineEdit::textChanged, this, &TOptForm::FOpIncExtChange);
}

void TOptForm::CreateEditorPage() {
  EditorGroup = Make<QGroupBox>(EditorPage, "EditorGroup", t::kEditorGroup, 8, 8, 377, 72);
  FOpEditor = MakeEdit(EditorGroup, "FOpEditor", 16, 30, 256);
  EditorBrowse = Make<QPushButton>(EditorGroup, "EditorBrowse", t::kEditorBrowse, 280, 28, 84, 25);
  EditorStartGroup =
      Make<QGroupBox>(EditorPage, "EditorStartGroup", t::kEditorStartGroup, 8, 90, 377, 88);
  FOpMulti = Make<QRadioButton>(EditorStartGroup, "FOpMulti", t::kFOpMulti, 16, 26, 340, 20);
  FOpSingle = Make<QRadioButton>(EditorStartGroup, "FOpSingle", t::kFOpSingle, 16, 54, 340, 20);
  connect(FOpEditor, &QLineEdit::textChanged, this, &TOptForm::FOpBackExtChange);
  connect(EditorBrowse, &QPushButton::clicked, this, &TOptForm::EditorBrowseClick);
}

void TOptForm::CreateFilterPage() {
  FilterGroup = Make<QGroupBox>(FilterPage, "FilterGroup", t::kFilterGroup, 8, 8, 377, 208);
  Make<QLabel>(FilterGroup, "FilterHeading", t::kFilterHeading, 40, 22, 100, 18);
  Make<QLabel>(FilterGroup, "DescriptionHeading", t::kDescriptionHeading, 150, 22, 100, 18);
  QLineEdit** patterns[] = {&FOpF1, &FOpF2, &FOpF3, &FOpF4, &FOpF5};
  QLineEdit** descriptions[] = {&FOpS1, &FOpS2, &FOpS3, &FOpS4, &FOpS5};
  for (int row = 0; row < 5; ++row) {
    const int y = 44 + row * 30;
    const std::string number = std::to_string(row + 1);
    Make<QLabel>(FilterGroup, ("FilterNumber" + number).c_str(), (number + ".").c_str(), 16, y + 2,
                 20, 18);
    *patterns[row] = MakeEdit(FilterGroup, ("FOpF" + number).c_str(), 40, y, 100);
    *descriptions[row] = MakeEdit(FilterGroup, ("FOpS" + number).c_str(), 150, y, 210);
  }
}

std::array<TOptForm::FilterRow, 5> TOptForm::FilterRows() const {
  using O = ProcessingOptions;
  return {{{FOpF1, FOpS1, &O::F1, &O::S1},
           {FOpF2, FOpS2, &O::F2, &O::S2},
           {FOpF3, FOpS3, &O::F3, &O::S3},
           {FOpF4, FOpS4, &O::F4, &O::S4},
           {FOpF5, FOpS5, &O::F5, &O::S5}}};
}

void TOptForm::FormCreate() { Pages->setCurrentWidget(FilePage); }

void TOptForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TOptForm::FormShow() {
  const ProcessingOptions& o = options_;
  (o.Trim ? FOpTrim : FOpTrimOff)->setChecked(true);
  (o.SpLine == 0 ? FOpNoBlank : o.SpLine == 1 ? FOpOneBlank : FOpAll)->setChecked(true);
  (o.Code == TextCode::kUtf8 ? FOpUtf8 : FOpShiftJis)->setChecked(true);
  FOpSkip->setChecked(o.Skip);
  FOpSkipDisp->setChecked(o.SkipDisp);
  FOpTimeZ->setChecked(o.TimeZ);
  (o.Time ? FOpTime : FOpTimeChg)->setChecked(true);
  FOpBackExt->setText(Q(o.BackExt));
  FOpBack->setChecked(o.Back);
  FOpInc->setChecked(o.Inc);
  FOpIncExt->setText(Q(o.IncExt));
  for (const FilterRow& row : FilterRows()) {
    row.pattern->setText(Q(o.*row.pattern_field));
    row.description->setText(Q(o.*row.description_field));
  }
  FOpEditor->setText(Q(o.Editor));
  (o.Multi ? FOpMulti : FOpSingle)->setChecked(true);
  // setText raises no change event when the text stays the same.
  UpdateOkEnabled();
  FOpSkipClick();
  // A focused button is the default while it keeps the focus, and the focus
  // comes back where it was when the dialog closed: after ﾍﾙﾌﾟ, Enter
  // would open the help again. Each showing starts on the pages, OK the
  // default.
  Pages->setFocus();
  OK->setDefault(true);
}

void TOptForm::FOpBackExtChange() { UpdateOkEnabled(); }

void TOptForm::FOpIncExtChange() { UpdateOkEnabled(); }

void TOptForm::UpdateOkEnabled() {
  OK->setEnabled(!Trimmed(FOpBackExt).empty() && !Trimmed(FOpIncExt).empty());
}

void TOptForm::FOpSkipClick() {
  const bool skip = FOpSkip->isChecked();
  if (skip) FOpTimeZ->setChecked(true);
  FOpTimeZ->setEnabled(!skip);
  FOpSkipDisp->setEnabled(skip);
}

void TOptForm::EditorBrowseClick() {
  const std::string saved = CurrentDirectory();
  const std::string editor = FromQ(FOpEditor->text());
  const std::string_view name = NamePart(editor);
  EditorDialog.file_name = std::string(name);
  EditorDialog.initial_dir = editor.substr(0, editor.size() - name.size());
  if (platform::ShowOpenDialog(EditorDialog)) FOpEditor->setText(Q(EditorDialog.file_name));
  if (!saved.empty() && chdir(saved.c_str()) != 0) {
    // The remembered folder has gone; there is nothing better to go back to.
  }
}

void TOptForm::StoreControls() {
  ProcessingOptions& o = options_;
  o.Trim = FOpTrim->isChecked();
  o.SpLine = FOpAll->isChecked() ? -1 : FOpOneBlank->isChecked() ? 1 : 0;
  o.Code = FOpUtf8->isChecked() ? TextCode::kUtf8 : TextCode::kShiftJis;
  o.Skip = FOpSkip->isChecked();
  o.SkipDisp = FOpSkipDisp->isChecked();
  o.Time = FOpTime->isChecked();
  o.TimeZ = FOpTimeZ->isChecked();
  o.BackExt = Trimmed(FOpBackExt);
  o.IncExt = Trimmed(FOpIncExt);
  o.Back = FOpBack->isChecked();
  o.Inc = FOpInc->isChecked();
  for (const FilterRow& row : FilterRows()) {
    o.*row.pattern_field = Trimmed(row.pattern);
    o.*row.description_field = Trimmed(row.description);
  }
  o.Editor = Trimmed(FOpEditor);
  if (o.Editor.empty()) o.Editor = "notepad.exe";
  o.Multi = FOpMulti->isChecked();
}

void TOptForm::OKClick() {
  // Byte for byte: "QU$" and "qu$" are different extensions here.
  if (Trimmed(FOpBackExt) == Trimmed(FOpIncExt)) {
    platform::MessageBoxOk(t::kCaptionError, t::kEqualExtensions, platform::MbIcon::kError);
    return;
  }
  StoreControls();
  if (filter_handler_) filter_handler_(BuildFileFilter(options_));
  const std::string ini_path = platform::ProgramFolder() + "Quillet.ini";
  if (!SaveSettings(options_, ini_path)) {
    platform::MessageBoxOk(t::kCaptionSaveError, CannotWriteMessage(ini_path) + ".",
                           platform::MbIcon::kError);
    return;
  }
  accept();
}

void TOptForm::CancelClick() { reject(); }

void TOptForm::HelpClick() { platform::Help().ShowTopic(platform::HelpDocument(), kHelpTopic); }

}  // namespace quillet
