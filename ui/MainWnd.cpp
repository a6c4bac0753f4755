#include "ui/MainWnd.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QValidator>

#include "config/Settings.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "text/ByteText.h"
#include "ui/CommandLine.h"
#include "ui/Fonts.h"
#include "ui/OptDlg.h"
#include "ui/QtText.h"
#include "ui/StartUp.h"
#include "ui/StatusDlg.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

namespace t = ui_texts;

constexpr int kClientWidth = 413;
constexpr int kClientHeight = 212;
constexpr int kStatusLineHeight = 22;

// The edit boxes hold only characters with a Shift-JIS form, as the
// original's text boxes did. Without this, a character with no such form
// would reach the run as '?', a wild card that names other files.
class SjisValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return ToQString(FromQString(input)) == input ? Acceptable : Invalid;
  }
};

QAction* AddItem(QMenu* menu, const char* caption, const char* hint) {
  QAction* action = menu->addAction(ToQString(caption));
  action->setStatusTip(ToQString(hint));
  return action;
}

}  // namespace

TMainForm::TMainForm(Globals& globals, std::vector<std::string> arguments, platform::FileSystem& fs,
                     QWidget* parent)
    : QMainWindow(parent), globals_(globals), fs_(fs) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(FormFont());
  CreateMenus();
  CreateControls();
  FormCreate(std::move(arguments));
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateMenus() {
  MainMenu = menuBar();
  FileMenu = MainMenu->addMenu(ToQString(t::kMenuFile));
  OptionsItem = AddItem(FileMenu, t::kMenuOptions, t::kHintOptions);
  DefEdit = AddItem(FileMenu, t::kMenuDefEdit, t::kHintDefEdit);
  EditFilesItem = AddItem(FileMenu, t::kMenuEditFiles, t::kHintEditFiles);
  FileSeparator = FileMenu->addSeparator();
  ExitItem = AddItem(FileMenu, t::kMenuExitItem, t::kHintExitItem);
  // Alt+X is shown in the menu and works while the menu is open; in the
  // window itself ExitButton's mnemonic, which does the same, answers it
  // (two window-wide owners of one key would cancel each other out).
  ExitItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  ExitItem->setShortcutContext(Qt::WidgetShortcut);

  HelpMenu = MainMenu->addMenu(ToQString(t::kMenuHelp));
  HelpMenu->menuAction()->setShortcut(QKeySequence(Qt::Key_F1));
  // F1 opens the main window's own help topic.
  connect(HelpMenu->menuAction(), &QAction::triggered, this, [this] { ShowHelp("HID00000021"); });
  HelpIndex = AddItem(HelpMenu, t::kMenuHelpIndex, t::kHintHelpIndex);
  HelpSeparator = HelpMenu->addSeparator();
  AboutItem = AddItem(HelpMenu, t::kMenuAbout, t::kHintAbout);

  tool_menu_ = std::make_unique<QMenuBar>();
  ToolMenuBar = tool_menu_.get();
  ToolsMenu = ToolMenuBar->addMenu(ToQString(t::kMenuTools));
  CorvaneItem = AddItem(ToolsMenu, t::kMenuCorvane, t::kHintCorvane);

  connect(OptionsItem, &QAction::triggered, this, &TMainForm::OptionsItemClick);
  connect(DefEdit, &QAction::triggered, this, &TMainForm::DefEditClick);
  connect(EditFilesItem, &QAction::triggered, this, &TMainForm::EditFilesItemClick);
  connect(ExitItem, &QAction::triggered, this, &TMainForm::ExitItemClick);
  connect(HelpIndex, &QAction::triggered, this, &TMainForm::HelpIndexClick);
  connect(AboutItem, &QAction::triggered, this, &TMainForm::AboutItemClick);
  connect(CorvaneItem, &QAction::triggered, this, &TMainForm::CorvaneItemClick);
}

void TMainForm::CreateControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  ClientBevel = new QFrame(client);
  ClientBevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ClientBevel->setGeometry(2, 2, kClientWidth - 4, kClientHeight - kStatusLineHeight - 4);

  auto* validator = new SjisValidator(this);
  FolderLabel = new QLabel(ToQString(t::kLabelFolder), client);
  FolderLabel->move(16, 10);
  EditFolder = new QLineEdit(client);
  EditFolder->setGeometry(16, 28, 353, 24);
  EditFolder->setValidator(validator);
  EditFolder->setStatusTip(ToQString(t::kHintFolder));
  FolderBrowseSB = new QToolButton(client);
  FolderBrowseSB->setGeometry(372, 28, 25, 25);
  FolderBrowseSB->setText(ToQString(t::kBrowse));
  FolderBrowseSB->setStatusTip(ToQString(t::kHintFolderBrowse));

  FileLabel = new QLabel(ToQString(t::kLabelFile), client);
  FileLabel->move(16, 62);
  EditFName = new QLineEdit(client);
  EditFName->setGeometry(16, 80, 353, 24);
  EditFName->setValidator(validator);
  EditFName->setStatusTip(ToQString(t::kHintFName));
  FileBrowseSB = new QToolButton(client);
  FileBrowseSB->setGeometry(372, 80, 25, 25);
  FileBrowseSB->setText(ToQString(t::kBrowse));
  FileBrowseSB->setStatusTip(ToQString(t::kHintFileBrowse));

  // Flat buttons that never take the focus, like the original's.
  for (QToolButton* button : {FolderBrowseSB, FileBrowseSB}) {
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
  }

  SubFolderCB = new QCheckBox(ToQString(t::kSubFolder), client);
  SubFolderCB->setGeometry(16, 119, 240, 20);
  SubFolderCB->setStatusTip(ToQString(t::kHintSubFolder));

  StartButton = new QPushButton(ToQString(t::kStart), client);
  StartButton->setGeometry(188, 149, 101, 26);
  StartButton->setStatusTip(ToQString(t::kHintStart));
  StartButton->setEnabled(false);
  ExitButton = new QPushButton(ToQString(t::kExit), client);
  ExitButton->setGeometry(300, 149, 97, 26);
  ExitButton->setStatusTip(ToQString(t::kHintExit));

  StatusLine = new QLabel(client);
  StatusLine->setGeometry(0, kClientHeight - kStatusLineHeight, kClientWidth, kStatusLineHeight);
  StatusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  StatusLine->setIndent(4);

  setTabOrder(EditFName, SubFolderCB);
  setTabOrder(SubFolderCB, StartButton);
  setTabOrder(StartButton, ExitButton);
  setTabOrder(ExitButton, EditFolder);

  connect(EditFolder, &QLineEdit::textChanged, this, &TMainForm::EditFFChange);
  connect(EditFName, &QLineEdit::textChanged, this, &TMainForm::EditFFChange);
  connect(EditFolder, &QLineEdit::editingFinished, this, &TMainForm::EditFolderExit);
  connect(StartButton, &QPushButton::clicked, this, &TMainForm::StartButtonClick);
  connect(ExitButton, &QPushButton::clicked, this, &TMainForm::ExitButtonClick);
  connect(FolderBrowseSB, &QToolButton::clicked, this, &TMainForm::FolderBrowseSBClick);
  connect(FileBrowseSB, &QToolButton::clicked, this, &TMainForm::FileBrowseSBClick);
}

void TMainForm::FormCreate(std::vector<std::string> arguments) {
  const std::string program_folder = platform::ProgramFolder();
  help_document_ = platform::HelpDocument();
  globals_.shell.IsProcessing = false;
  globals_.shell.AutoExitDue = false;
  EditFolder->setText(ToQString(CurrentFolderText()));
  EditFName->clear();

  const CommandLineRequest request = ReadCommandLine(arguments);
  globals_.shell.AutoStart = request.AutoStart;
  globals_.shell.AutoExit = request.AutoExit;
  if (request.SubFolders) SubFolderCB->setChecked(true);
  EditFName->setText(ToQString(request.FileName));

  const SplitFileName split = SplitFolderPart(request.FileName);
  if (!split.folder.empty()) {
    SetCurrentFolder(split.folder);  // a folder that cannot be entered is refused by the run
    EditFolder->setText(ToQString(split.folder));
    EditFName->setText(ToQString(split.name));
  }
  if (split.name.empty()) {
    globals_.shell.AutoStart = false;
    globals_.shell.AutoExit = false;
  } else {
    SetDefault(DefaultButton::kStart);
  }

  LoadSettings(globals_.options, IniPath());
  TargetFileDialog.title = t::kTargetFileDialogTitle;
  TargetFileDialog.refuse_read_only = true;
  EditOrViewDialog.multi_select = true;
  SetFileFilter(BuildFileFilter(globals_.options));
  // The companion viewer is a program (or a link to one) named Corvane in
  // the program folder; the Tools menu appears only when it exists.
  globals_.shell.ViewerPath = program_folder + "Corvane";
  setWindowTitle(ToQString(t::kAppTitle));
  StatusLine->setStatusTip(ToQString(t::kVersion));

  if (CreateDefinitionFile(fs_, program_folder) == DefinitionFileCreation::kCreated)
    EditFName->setFocus();
}

void TMainForm::AttachForms(TOptForm* opt_form, TAboutForm* about_form, TStatusDlg* status_dlg) {
  opt_form_ = opt_form;
  about_form_ = about_form;
  status_dlg_ = status_dlg;
  if (opt_form_ != nullptr) {
    opt_form_->SetFilterHandler([this](const std::string& filter) { SetFileFilter(filter); });
  }
  if (status_dlg_ != nullptr) {
    status_dlg_->SetHelpHandler([this](std::string_view topic) { ShowHelp(topic); });
  }
}

void TMainForm::SetFileFilter(const std::string& filter) {
  file_filter_ = filter;
  TargetFileDialog.filter = filter;
  EditOrViewDialog.filter = filter;
}

std::string TMainForm::TrimmedText(const QLineEdit* edit) {
  return std::string(TrimBlanks(FromQString(edit->text())));
}

std::string TMainForm::IniPath() const { return platform::ProgramFolder() + "Quillet.ini"; }

void TMainForm::FormActivate() {
  const std::string& viewer = globals_.shell.ViewerPath;
  platform::Attributes attributes;
  if (!tools_merged_ && !viewer.empty() && fs_.GetAttributes(viewer, attributes) &&
      !attributes.directory) {
    MainMenu->insertMenu(HelpMenu->menuAction(), ToolsMenu);
    tools_merged_ = true;
  }
  if (globals_.shell.AutoStart) {
    globals_.shell.AutoStart = false;
    StartButtonClick();
  }
}

void TMainForm::ExitButtonClick() { close(); }

void TMainForm::ExitItemClick() { close(); }

void TMainForm::EditFFChange() {
  if (globals_.shell.IsProcessing) return;
  const bool filled = !TrimmedText(EditFName).empty() && !TrimmedText(EditFolder).empty();
  StartButton->setEnabled(filled);
  SetDefault(filled ? DefaultButton::kStart : DefaultButton::kNone);
}

void TMainForm::EditFolderExit() {
  const std::string typed = FromQString(EditFolder->text());
  const std::string folder = FolderFromUnixPath(typed);
  if (folder != typed) EditFolder->setText(ToQString(folder));
}

void TMainForm::DisplayHint(const QString& hint) { StatusLine->setText(hint); }

void TMainForm::SetDefault(DefaultButton button) {
  default_button_ = button;
  // Only the look: QPushButton's own default handling works in dialogs only,
  // so keyPressEvent presses the default button.
  StartButton->setDefault(button == DefaultButton::kStart);
  ExitButton->setDefault(button == DefaultButton::kExit);
}

bool TMainForm::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    DisplayHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  if (event->type() == QEvent::WindowActivate) {
    const bool handled = QMainWindow::event(event);
    FormActivate();
    return handled;
  }
  return QMainWindow::event(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  const bool refused = globals_.shell.IsProcessing;
  if (refused) {
    event->ignore();
    platform::MessageBoxOkWithoutWaiting(t::kCaptionQuillet, t::kCannotExitWhileProcessing,
                                         platform::MbIcon::kInformation);
  }
  SaveSettingsOrTell();
  if (refused) return;
  event->accept();
  emit Closed();
}

void TMainForm::SaveSettingsOrTell() {
  const std::string path = IniPath();
  if (!SaveSettings(globals_.options, path)) {
    TellUser(t::kAppTitle, CannotWriteMessage(path) + ".", platform::MbIcon::kError);
  }
}

void TMainForm::TellUser(std::string_view caption, std::string_view text, platform::MbIcon icon) {
  if (globals_.shell.IsProcessing) {
    platform::MessageBoxOkWithoutWaiting(caption, text, icon);
  } else {
    platform::MessageBoxOk(caption, text, icon);
  }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    QMainWindow::keyPressEvent(event);
    return;
  }
  // As in a dialog: a focused button takes Enter itself, otherwise the
  // default button gets it. click() does nothing on a disabled button.
  if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
    focused->click();
  } else if (default_button_ == DefaultButton::kStart) {
    StartButton->click();
  } else if (default_button_ == DefaultButton::kExit) {
    ExitButton->click();
  }
  event->accept();
}

}  // namespace quillet::ui
