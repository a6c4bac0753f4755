#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QUrl>

#include "tests/ui/MainFormFixture.h"
#include "ui/Aboutdlg.h"
#include "ui/OptDlg.h"
#include "ui/QtHelp.h"

namespace quillet::ui {
namespace {

// The browser's desktop opener drops a file: URL's fragment; each window's
// help therefore reaches it as a page of its own that forwards to the
// window's topic. The program folder's name needs escaping in both the URL
// and the page. Without the document an information box names it, which
// does not wait (help can be asked for during a run).
TEST_F(MainFormFixture, EachWindowOpensAPageThatForwardsToItsTopic) {
  quillet::testing::ScratchDir cache;
  setenv("XDG_CACHE_HOME", cache.native().c_str(), 1);
  const std::string folder = home.Native("help #1 & <ヘルプ>");
  setenv("QUILLET_HOME", folder.c_str(), 1);
  quillet::testing::WriteFile(folder + "/Quillet.html", "<html></html>");
  std::vector<QUrl> opened;
  QtHelp help{[&opened](const QUrl& url) {
    opened.push_back(url);
    return true;
  }};
  platform::SetHelp(&help);
  TOptForm opt_form{globals.options};
  TAboutForm about_form;
  Create();
  form->AttachForms(&opt_form, &about_form, status.get());

  form->HelpMenu->menuAction()->trigger();  // F1 in the main window
  form->HelpIndex->trigger();
  opt_form.Help->click();
  status->HelpBttn->click();
  emit about_form.findChild<QShortcut*>()->activated();
  const char* topics[] = {"HID00000021", "contents", "HID00000019", "HID00000020", "HID00000023"};
  ASSERT_EQ(opened.size(), std::size(topics));
  for (std::size_t i = 0; i < opened.size(); ++i) {
    const QString html =
        QString::fromStdString(quillet::testing::ReadFile(opened[i].toLocalFile().toStdString()));
    const auto match = QRegularExpression(QStringLiteral("url=([^\"]*)\"")).match(html);
    const QUrl target = QUrl::fromEncoded(
        match.captured(1).replace(QStringLiteral("&amp;"), QStringLiteral("&")).toLatin1(),
        QUrl::StrictMode);
    EXPECT_EQ(target.toLocalFile().toStdString(), folder + "/Quillet.html") << html.toStdString();
    EXPECT_EQ(target.fragment().toStdString(), topics[i]);
  }
  EXPECT_TRUE(boxes.boxes.empty());

  std::remove((folder + "/Quillet.html").c_str());
  status->HelpBttn->click();
  EXPECT_EQ(opened.size(), std::size(topics));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_FALSE(boxes.boxes[0].waited);
  form.reset();
  platform::SetHelp(nullptr);
  unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace quillet::ui
