#include "ui/QtHelp.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "core/FileName.h"
#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

constexpr char kDocumentName[] = "Quillet.html";

QString FindDocument(std::string_view help_file) {
  const std::string beside = ChangeExt(help_file, "html");
  if (auto native = platform::ToNativePath(beside)) {
    const QString path = QString::fromStdString(*native);
    if (QFileInfo(path).isFile()) return path;
  }
  const QString installed =
      QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kDocumentName);
  return QFileInfo(installed).isFile() ? installed : QString();
}

}  // namespace

bool QtHelp::ShowTopic(std::string_view help_file, std::string_view topic) {
  const QString document = FindDocument(help_file);
  if (!document.isEmpty()) {
    QUrl url = QUrl::fromLocalFile(document);
    url.setFragment(QString::fromLatin1(topic.data(), static_cast<qsizetype>(topic.size())));
    if (QDesktopServices::openUrl(url)) return true;
  }
  platform::MessageBoxOk(ui_texts::kCaptionQuillet,
                         ui_texts::kHelpNotFound + ChangeExt(help_file, "html"),
                         platform::MbIcon::kInformation);
  return false;
}

}  // namespace quillet::ui
