#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/QtText.h"

namespace quillet::ui {

namespace {

QMessageBox::Icon IconOf(platform::MbIcon icon) {
  switch (icon) {
    case platform::MbIcon::kNone:
      return QMessageBox::NoIcon;
    case platform::MbIcon::kInformation:
      return QMessageBox::Information;
    case platform::MbIcon::kWarning:
      return QMessageBox::Warning;
    case platform::MbIcon::kError:
      return QMessageBox::Critical;
    case platform::MbIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  QMessageBox::StandardButtons all;
  QMessageBox::StandardButton first;   // the default
  QMessageBox::StandardButton escape;  // the answer of Esc and of the close box
};

ButtonSet ButtonsOf(platform::MbButtons buttons) {
  switch (buttons) {
    case platform::MbButtons::kOk:
      break;
    case platform::MbButtons::kOkCancel:
      return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case platform::MbButtons::kYesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
  }
  return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

platform::MbResult ResultOf(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return platform::MbResult::kCancel;
    case QMessageBox::Yes:
      return platform::MbResult::kYes;
    case QMessageBox::No:
      return platform::MbResult::kNo;
    default:
      return platform::MbResult::kOk;
  }
}

// The box's text: CR LF or a lone CR breaks a line.
QString MessageText(std::string_view text) {
  QString message = ToQString(text);
  message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  message.replace(QChar(u'\r'), QChar(u'\n'));
  return message;
}

void Prepare(QMessageBox& box, const ButtonSet& set) {
  // Paths and log lines may hold '<' and '&'; they must not turn into markup.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(set.first);
  box.setEscapeButton(set.escape);
}

}  // namespace

platform::MbResult QtMessageBoxes::Show(std::string_view caption, std::string_view text,
                                        platform::MbIcon icon, platform::MbButtons buttons) {
  const ButtonSet set = ButtonsOf(buttons);
  QMessageBox box(IconOf(icon), ToQString(caption), MessageText(text), set.all,
                  QApplication::activeWindow());
  Prepare(box, set);
  return ResultOf(box.exec());
}

void QtMessageBoxes::ShowWithoutWaiting(std::string_view caption, std::string_view text,
                                        platform::MbIcon icon) {
  const ButtonSet set = ButtonsOf(platform::MbButtons::kOk);
  auto* box = new QMessageBox(IconOf(icon), ToQString(caption), MessageText(text), set.all,
                              QApplication::activeWindow());
  Prepare(*box, set);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // open() blocks input to the box's window as exec() does, but runs no
  // event loop of its own: the caller, a run among them, goes on at once.
  box->open();
}

}  // namespace quillet::ui
