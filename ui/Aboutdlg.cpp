#include "ui/Aboutdlg.h"

#include "ui/QtText.h"

namespace quillet::ui {

namespace {

// ﾊﾞｰｼﾞｮﾝ情報
constexpr char kAboutCaption[] = "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1";

}  // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString(kAboutCaption));
}

}  // namespace quillet::ui
