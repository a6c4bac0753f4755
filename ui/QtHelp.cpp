#include "ui/QtHelp.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "ui/UiTexts.h"

namespace quillet::ui {

namespace {

QString FindDocument(std::string_view document) {
  if (auto native = platform::ToNativePath(document)) {
    const QString path = QString::fromStdString(*native);
    if (QFileInfo(path).isFile()) return path;
  }
  const QString installed = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                            QLatin1String(platform::kHelpDocumentName);
  return QFileInfo(installed).isFile() ? installed : QString();
}

// Topics are anchor names of the document: letters and digits only, so
// that a topic can name a file and needs no escaping in a page.
bool IsTopicName(std::string_view topic) {
  if (topic.empty()) return false;
  for (const char c : topic) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!alnum) return false;
  }
  return true;
}

QString ForwardingPage(const QUrl& target) {
  const QString url = QString::fromLatin1(target.toEncoded()).toHtmlEscaped();
  return QStringLiteral(
             "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
             "<meta http-equiv=\"refresh\" content=\"0; url=%1\">\n"
             "<title>Quillet</title></head>\n"
             "<body><p><a href=\"%1\">Quillet.html</a></p></body></html>\n")
      .arg(url);
}

}  // namespace

QString HelpForwardingFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
         QStringLiteral("/quillet/help");
}

QUrl HelpPageUrl(const QString& document, std::string_view topic) {
  QUrl target = QUrl::fromLocalFile(document);
  if (!IsTopicName(topic)) return target;
  target.setFragment(QString::fromLatin1(topic.data(), static_cast<qsizetype>(topic.size())));
  const QString folder = HelpForwardingFolder();
  if (!QDir().mkpath(folder)) return target;
  QFile::setPermissions(folder,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QSaveFile page(folder + QLatin1Char('/') + target.fragment() + QStringLiteral(".html"));
  if (!page.open(QIODevice::WriteOnly)) return target;
  page.write(ForwardingPage(target).toUtf8());
  if (!page.commit()) return target;
  return QUrl::fromLocalFile(page.fileName());
}

QtHelp::QtHelp(std::function<bool(const QUrl&)> open_url)
    : open_url_(open_url ? std::move(open_url)
                         : [](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

bool QtHelp::ShowTopic(std::string_view document, std::string_view topic) {
  const QString found = FindDocument(document);
  if (!found.isEmpty() && open_url_(HelpPageUrl(found, topic))) return true;
  // Help can be asked for during a run, which must not wait for the box.
  platform::MessageBoxOkWithoutWaiting(ui_texts::kCaptionQuillet,
                                       ui_texts::kHelpNotFound + std::string(document),
                                       platform::MbIcon::kInformation);
  return false;
}

}  // namespace quillet::ui
