#include "ui/QtFileDialogs.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "ui/QtText.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

QString NativeQ(std::string_view windows_path) {
  auto native = platform::ToNativePath(windows_path);
  return native ? QString::fromStdString(*native) : QString();
}

// The owner-write bit counts, as in the file layer, even for root.
bool IsReadOnly(const QString& native_file) {
  const QFileInfo file(native_file);
  const QFileInfo folder(file.absolutePath());
  const auto writable = [](const QFileInfo& info) {
    return (info.permissions() & QFileDevice::WriteOwner) &&
           access(info.absoluteFilePath().toLocal8Bit().constData(), W_OK) == 0;
  };
  return (file.exists() && !writable(file)) || !writable(folder);
}

}  // namespace

QString QtFilter(std::string_view filter) {
  const QStringList items = ToQString(filter).split(QLatin1Char('|'));
  QStringList rows;
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    QString description = items[i];
    const QString patterns = items[i + 1];
    const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
    if (description.endsWith(shown)) description.chop(shown.size());
    QStringList qt_patterns;
    for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      qt_patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    rows << description + QLatin1String(" (") + qt_patterns.join(QLatin1Char(' ')) +
                QLatin1Char(')');
  }
  return rows.join(QLatin1String(";;"));
}

std::unique_ptr<QFileDialog> MakeOpenDialog(const platform::OpenFileDialog& request) {
  auto dialog =
      std::make_unique<QFileDialog>(QApplication::activeWindow(), ToQString(request.title));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(request.multi_select ? QFileDialog::ExistingFiles
                      : request.must_exist ? QFileDialog::ExistingFile
                                           : QFileDialog::AnyFile);
  if (!request.filter.empty()) dialog->setNameFilter(QtFilter(request.filter));
  const QString folder = NativeQ(request.initial_dir);
  dialog->setDirectory(!folder.isEmpty() && QFileInfo(folder).isDir() ? folder
                                                                      : QDir::currentPath());
  if (!request.file_name.empty()) dialog->selectFile(NativeQ(request.file_name));
  return dialog;
}

namespace {

enum class Answer { kChosen, kNothing, kRefused };

// Takes the files of a confirmed dialog into `request`. A refused choice
// (read-only) leaves `request` as it was.
Answer TakeChoice(const QFileDialog& dialog, platform::OpenFileDialog& request) {
  std::vector<std::string> chosen;
  for (const QString& file : dialog.selectedFiles()) {
    if (request.refuse_read_only && IsReadOnly(file)) return Answer::kRefused;
    if (auto windows = platform::FromNativePath(QDir::cleanPath(file).toStdString())) {
      chosen.push_back(std::move(*windows));
    }
  }
  if (chosen.empty()) return Answer::kNothing;
  request.file_name = chosen.front();
  request.chosen = std::move(chosen);
  return Answer::kChosen;
}

}  // namespace

bool QtFileDialogs::Open(platform::OpenFileDialog& request) {
  const std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(request);
  while (dialog->exec() == QDialog::Accepted) {
    const Answer answer = TakeChoice(*dialog, request);
    if (answer != Answer::kRefused) return answer == Answer::kChosen;
    platform::MessageBoxOk(ui_texts::kCaptionQuillet, ui_texts::kReadOnlyRefused,
                           platform::MbIcon::kWarning);
  }
  return false;
}

void QtFileDialogs::OpenWithoutWaiting(platform::OpenFileDialog& request,
                                       std::function<void(bool)> done) {
  QFileDialog* dialog = MakeOpenDialog(request).release();
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, &request, done](int result) {
    const Answer answer =
        result == QDialog::Accepted ? TakeChoice(*dialog, request) : Answer::kNothing;
    if (answer == Answer::kRefused) {
      platform::MessageBoxOkWithoutWaiting(ui_texts::kCaptionQuillet, ui_texts::kReadOnlyRefused,
                                           platform::MbIcon::kWarning);
      dialog->open();
      return;
    }
    dialog->deleteLater();
    done(answer == Answer::kChosen);
  });
  // Modal to its window like exec(), without an event loop of its own.
  dialog->open();
}

std::optional<std::string> QtFileDialogs::BrowseForFolder(std::string_view title) {
  const QString folder = QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                           ToQString(title), QStringLiteral("/"));
  if (folder.isEmpty()) return std::nullopt;
  return platform::FromNativePath(QDir::cleanPath(folder).toStdString());
}

}  // namespace quillet::ui
