#pragma once

// Qt's own texts (the file and folder dialogs, standard buttons such as
// Cancel) in the user's language, from the translations that come with Qt
// (Debian: qt6-translations-l10n). The program's own texts are Japanese
// whatever the language.

#include <QLocale>

class QCoreApplication;
class QTranslator;

namespace quillet::ui {

// Installs Qt's translation for `locale` into `app`. Returns the translator
// (owned by `app`), or null when Qt has none for that language (English,
// or the translations are not installed): Qt's texts then stay English.
QTranslator* InstallQtTranslations(QCoreApplication& app, const QLocale& locale);

}  // namespace quillet::ui
