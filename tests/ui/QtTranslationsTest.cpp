#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>

#include "ui/QtTranslations.h"

namespace quillet::ui {
namespace {

QString CancelText() {
  QDialogButtonBox box(QDialogButtonBox::Cancel);
  return box.button(QDialogButtonBox::Cancel)->text();
}

// Under a Japanese locale Qt's own buttons and dialogs speak Japanese (the
// translations come from qt6-translations-l10n, see scripts/bootstrap.sh);
// under an English one nothing is installed.
TEST(QtTranslations, InstalledForAJapaneseLocaleOnly) {
  EXPECT_EQ(InstallQtTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)),
            nullptr);
  QTranslator* japanese = InstallQtTranslations(*qApp, QLocale(QLocale::Japanese, QLocale::Japan));
  ASSERT_NE(japanese, nullptr) << "Qt's Japanese translations are missing (qt6-translations-l10n)";
  EXPECT_EQ(CancelText(), QString::fromUtf8("キャンセル"));
  QCoreApplication::removeTranslator(japanese);
  delete japanese;
}

}  // namespace
}  // namespace quillet::ui
