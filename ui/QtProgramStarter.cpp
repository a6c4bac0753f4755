#include "ui/QtProgramStarter.h"

#include <QProcess>
#include <QStringList>

namespace quillet::ui {

namespace {

constexpr int kStarted = platform::kStartedResult + 1;

}  // namespace

int QtProgramStarter::Start(const std::vector<std::string>& items) {
  const auto launch = platform::ResolveLaunch(items);
  if (!launch) return platform::kFileNotFound;
  QStringList arguments;
  for (const std::string& argument : launch->arguments) {
    arguments << QString::fromStdString(argument);
  }
  // An empty working directory keeps the current one.
  const bool started =
      QProcess::startDetached(QString::fromStdString(launch->program), arguments, QString());
  return started ? kStarted : platform::kFileNotFound;
}

}  // namespace quillet::ui
