#pragma once

// The help viewer of the windowed program: the help document Quillet.html
// opened in the desktop's browser at the topic's anchor
// (Quillet.html#HID00000019).
//
// The document is looked for where it was asked for (the program folder),
// then in the executable's folder, where an installed copy keeps it while
// its program folder lies in the configuration folder.
//
// The desktop's opener (xdg-open and the launchers behind it) drops the
// fragment of a file: URL, so the browser is handed a small page per topic
// that forwards to the anchor instead.

#include <QString>
#include <QUrl>
#include <functional>
#include <string_view>

#include "platform/Help.h"

namespace quillet::ui {

class QtHelp : public platform::HelpService {
 public:
  // `open_url` hands a URL to the desktop (QDesktopServices::openUrl by
  // default) and says whether a program took it.
  explicit QtHelp(std::function<bool(const QUrl&)> open_url = {});

  // Returns false, after an information box that does not wait for the
  // user, when no document is found or the desktop has no browser to show
  // it.
  bool ShowTopic(std::string_view document, std::string_view topic) override;

 private:
  std::function<bool(const QUrl&)> open_url_;
};

// The user's folder of forwarding pages: $XDG_CACHE_HOME/quillet/help
// (~/.cache/quillet/help), owner-only.
QString HelpForwardingFolder();

// The URL to open for `topic` of the document at the native path
// `document`: the forwarding page <topic>.html, written (again) into
// HelpForwardingFolder(), whose only content sends the browser on to
// document#topic. A topic that is not a plain anchor name, or a page that
// cannot be written, gives the document's own URL with the fragment.
QUrl HelpPageUrl(const QString& document, std::string_view topic);

}  // namespace quillet::ui
