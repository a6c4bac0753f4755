#include "ui/Aboutdlg.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "platform/Help.h"
#include "ui/AppIcon.h"
#include "ui/Fonts.h"
#include "ui/QtText.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

namespace t = ui_texts;

constexpr int kClientWidth = 363;
constexpr int kClientHeight = 240;
constexpr int kIconSize = 40;
constexpr char kHelpTopic[] = "HID00000023";

QFont Arial(int pixels) {
  QFont font;
  font.setFamilies(
      {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(pixels);
  return font;
}

QLabel* CenteredLine(QWidget* parent, const char* text, int y) {
  auto* label = new QLabel(ToQString(text), parent);
  label->setGeometry(0, y, kClientWidth, 18);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  return label;
}

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(ToQString(t::kAboutCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(FormFont());
  setFixedSize(kClientWidth, kClientHeight);

  // Icon, title and version share one line, centred as a group; the
  // version is measured with its final text.
  IconImage = new QLabel(this);
  IconImage->setPixmap(AppIconPixmap(kIconSize));
  Title = new QLabel(ToQString(t::kAppTitle), this);
  Title->setFont(Arial(27));
  FVersion = new QLabel(ToQString(t::kVersion), this);
  FVersion->setFont(Arial(17));
  const int title_width = Title->sizeHint().width();
  const int version_width = FVersion->sizeHint().width();
  FVersion->setText(ToQString(t::kVersionDesign));
  const int left = (kClientWidth - (kIconSize + 8 + title_width + 8 + version_width)) / 2;
  IconImage->setGeometry(left, 28, kIconSize, kIconSize);
  Title->setGeometry(left + kIconSize + 8, 30, title_width, 36);
  FVersion->setGeometry(left + kIconSize + 16 + title_width, 40, version_width, 24);

  CenteredLine(this, t::kAboutCopyright, 98);
  CenteredLine(this, t::kAboutRights, 118);
  CenteredLine(this, t::kAboutFreeware, 146);

  Separator = new QFrame(this);
  Separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Separator->setGeometry(16, 182, kClientWidth - 32, 4);
  OKBttn = new QPushButton(ToQString(t::kAboutOK), this);
  OKBttn->setGeometry((kClientWidth - 80) / 2, 200, 80, 26);
  OKBttn->setDefault(true);
  connect(OKBttn, &QPushButton::clicked, this, &QDialog::accept);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          [] { platform::Help().ShowTopic(platform::HelpDocument(), kHelpTopic); });
}

void TAboutForm::FormShow() { FVersion->setText(ToQString(t::kVersion)); }

void TAboutForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TAboutForm::reject() { accept(); }

}  // namespace quillet::ui
