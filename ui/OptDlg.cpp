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

  OpenDialog1.title = t::kEditorDialogTitle;
  OpenDialog1.filter = t::kEditorDialogFilter;
  OpenDialog1.must_exist = true;
  FormCreate();
}

void TOptForm::CreatePages() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setGeometry(8, 8, kClientWidth - 16, 308);
  TabSheet1 = AddPage(PageControl1, "TabSheet1", t::kTabSheet1);
  TabSheet3 = AddPage(PageControl1, "TabSheet3", t::kTabSheet3);
  TabSheet4 = AddPage(PageControl1, "TabSheet4", t::kTabSheet4);
  TabSheet5 = AddPage(PageControl1, "TabSheet5", t::kTabSheet5);
  TabSheet6 = AddPage(PageControl1, "TabSheet6", t::kTabSheet6);
  CreateFilePage();
  CreateSkipPage();
  CreateExtensionPage();
  CreateEditorPage();
  CreateFilterPage();
}

void TOptForm::CreateFilePage() {
  GroupBox1 = Make<QGroupBox>(TabSheet1, "GroupBox1", t::kGroupBox1, 8, 8, 377, 84);
  FOpTrimOff = Make<QRadioButton>(GroupBox1, "FOpTrimOff", t::kFOpTrimOff, 16, 24, 340, 20);
  FOpTrim = Make<QRadioButton>(GroupBox1, "FOpTrim", t::kFOpTrim, 16, 52, 340, 20);
  GroupBox2 = Make<QGroupBox>(TabSheet1, "GroupBox2", t::kGroupBox2, 8, 102, 377, 112);
  FOpAll = Make<QRadioButton>(GroupBox2, "FOpAll", t::kFOpAll, 16, 24, 340, 20);
  FOp1gyo = Make<QRadioButton>(GroupBox2, "FOp1gyo", t::kFOp1gyo, 16, 52, 340, 20);
  FOp0gyo = Make<QRadioButton>(GroupBox2, "FOp0gyo", t::kFOp0gyo, 16, 80, 340, 20);
}

void TOptForm::CreateSkipPage() {
  GroupBox6 = Make<QGroupBox>(TabSheet3, "GroupBox6", t::kGroupBox6, 8, 8, 377, 112);
  FOpSkip = Make<QCheckBox>(GroupBox6, "FOpSkip", t::kFOpSkip, 16, 24, 340, 20);
  Label1 = Make<QLabel>(GroupBox6, "Label1", t::kLabel1, 36, 48, 330, 20);
  FOpSkipDisp = Make<QCheckBox>(GroupBox6, "FOpSkipDisp", t::kFOpSkipDisp, 16, 80, 340, 20);
  GroupBox5 = Make<QGroupBox>(TabSheet3, "GroupBox5", t::kGroupBox5, 8, 130, 377, 128);
  FOpTimeZ = Make<QCheckBox>(GroupBox5, "FOpTimeZ", t::kFOpTimeZ, 16, 24, 340, 20);
  Bevel1 = new QFrame(GroupBox5);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel1->setGeometry(16, 54, 345, 4);
  FOpTime = Make<QRadioButton>(GroupBox5, "FOpTime", t::kFOpTime, 16, 66, 340, 20);
  FOpTimeChg = Make<QRadioButton>(GroupBox5, "FOpTimeChg", t::kFOpTimeChg, 16, 94, 340, 20);
  connect(FOpSkip, &QCheckBox::clicked, this, &TOptForm::FOpSkipClick);
}

void TOptForm::CreateExtensionPage() {
  GroupBox4 = Make<QGroupBox>(TabSheet4, "GroupBox4", t::kGroupBox4, 8, 8, 377, 92);
  Make<QLabel>(GroupBox4, "Label3", t::kLabelExt, 16, 28, 60, 20);
  FOpBackExt = MakeEdit(GroupBox4, "FOpBackExt", 76, 26, 64);
  FOpBack = Make<QCheckBox>(GroupBox4, "FOpBack", t::kFOpBack, 16, 60, 340, 20);
  GroupBox7 = Make<QGroupBox>(TabSheet4, "GroupBox7", t::kGroupBox7, 8, 110, 377, 140);
  FOpInc = Make<QCheckBox>(GroupBox7, "FOpInc", t::kFOpInc, 16, 24, 340, 20);
  Label12 = Make<QLabel>(GroupBox7, "Label12", t::kLabel12, 36, 48, 330, 40);
  Label12->setWordWrap(true);
  Make<QLabel>(GroupBox7, "Label13", t::kLabelIncExt, 16, 102, 130, 20);
  FOpIncExt = MakeEdit(GroupBox7, "FOpIncExt", 146, 100, 64);
  for (QLineEdit* extension : {FOpBackExt, FOpIncExt}) extension->setFont(FixedPitchFont());
  // The editor box is tied to the same handler as FOpBackExt; the test
  // itself looks at the extension boxes only.
  connect(FOpBackExt, &QLineEdit::textChanged, this, &TOptForm::FOpBackExtChange);
  connect(FOpIncExt, &QLineEdit::textChanged, this, &TOptForm::FOpIncExtChange);
}

void TOptForm::CreateEditorPage() {
  GroupBox8 = Make<QGroupBox>(TabSheet5, "GroupBox8", t::kGroupBox8, 8, 8, 377, 72);
  FOpEditor = MakeEdit(GroupBox8, "FOpEditor", 16, 30, 256);
  Sansyo = Make<QPushButton>(GroupBox8, "Sansyo", t::kSansyo, 280, 28, 84, 25);
  GroupBox9 = Make<QGroupBox>(TabSheet5, "GroupBox9", t::kGroupBox9, 8, 90, 377, 88);
  FOpMulti = Make<QRadioButton>(GroupBox9, "FOpMulti", t::kFOpMulti, 16, 26, 340, 20);
  FOpSingle = Make<QRadioButton>(GroupBox9, "FOpSingle", t::kFOpSingle, 16, 54, 340, 20);
  connect(FOpEditor, &QLineEdit::textChanged, this, &TOptForm::FOpBackExtChange);
  connect(Sansyo, &QPushButton::clicked, this, &TOptForm::SansyoClick);
}

void TOptForm::CreateFilterPage() {
  GroupBox3 = Make<QGroupBox>(TabSheet6, "GroupBox3", t::kGroupBox3, 8, 8, 377, 208);
  Make<QLabel>(GroupBox3, "Label4", t::kFilterHeading, 40, 22, 100, 18);
  Make<QLabel>(GroupBox3, "Label5", t::kDescriptionHeading, 150, 22, 100, 18);
  QLineEdit** patterns[] = {&FOpF1, &FOpF2, &FOpF3, &FOpF4, &FOpF5};
  QLineEdit** descriptions[] = {&FOpS1, &FOpS2, &FOpS3, &FOpS4, &FOpS5};
  for (int row = 0; row < 5; ++row) {
    const int y = 44 + row * 30;
    const std::string number = std::to_string(row + 1);
    Make<QLabel>(GroupBox3, ("Label" + std::to_string(row + 6)).c_str(), (number + ".").c_str(), 16,
                 y + 2, 20, 18);
    *patterns[row] = MakeEdit(GroupBox3, ("FOpF" + number).c_str(), 40, y, 100);
    *descriptions[row] = MakeEdit(GroupBox3, ("FOpS" + number).c_str(), 150, y, 210);
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

void TOptForm::FormCreate() { PageControl1->setCurrentWidget(TabSheet1); }

void TOptForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TOptForm::FormShow() {
  const ProcessingOptions& o = options_;
  (o.Trim ? FOpTrim : FOpTrimOff)->setChecked(true);
  (o.SpLine == 0 ? FOp0gyo : o.SpLine == 1 ? FOp1gyo : FOpAll)->setChecked(true);
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
  PageControl1->setFocus();
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

void TOptForm::SansyoClick() {
  const std::string saved = CurrentDirectory();
  const std::string editor = FromQ(FOpEditor->text());
  const std::string_view name = NamePart(editor);
  OpenDialog1.file_name = std::string(name);
  OpenDialog1.initial_dir = editor.substr(0, editor.size() - name.size());
  if (platform::ShowOpenDialog(OpenDialog1)) FOpEditor->setText(Q(OpenDialog1.file_name));
  if (!saved.empty() && chdir(saved.c_str()) != 0) {
    // The remembered folder has gone; there is nothing better to go back to.
  }
}

void TOptForm::StoreControls() {
  ProcessingOptions& o = options_;
  o.Trim = FOpTrim->isChecked();
  o.SpLine = FOpAll->isChecked() ? -1 : FOp1gyo->isChecked() ? 1 : 0;
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

void TOptForm::HelpClick() {
  platform::Help().ShowTopic(platform::ProgramFolder() + "Quillet.hlp", kHelpTopic);
}

}  // namespace quillet
