#include "config/OptDlg.h"

#include "platform/Sjis.h"

namespace quillet {

namespace {

// Quillet ｵﾌﾟｼｮﾝ
constexpr char kOptCaption[] = "Quillet \xB5\xCC\xDF\xBC\xAE\xDD";

}  // namespace

TOptForm::TOptForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromStdString(platform::SjisToUtf8(kOptCaption).value_or("")));
}

}  // namespace quillet
