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

using quillet::testing::ReadFile;
using quillet::testing::WriteFile;

// The browser's desktop opener drops a file: URL's fragment; each window's
// help therefore reaches it as a page of its own that forwards to the
// window's topic. The program folder's name needs escaping in both the URL
// and the page.
class HelpTest : public MainFormFixture {
 protected:
  HelpTest() {
    setenv("XDG_CACHE_HOME", cache.native().c_str(), 1);
    setenv("QUILLET_HOME", folder.c_str(), 1);
    WriteFile(folder + "/Quillet.html", "<html></html>");
    platform::SetHelp(&help);
    Create();
    form->AttachForms(&opt_form, &about_form, status.get());
  }
  ~HelpTest() override {
    platform::SetHelp(nullptr);
    unsetenv("XDG_CACHE_HOME");
  }

  // Where the page opened for the request at `index` sends the browser.
  QUrl Target(std::size_t index) const {
    const QUrl& page = opened.at(index);
    EXPECT_TRUE(page.isLocalFile());
    EXPECT_TRUE(page.toLocalFile().startsWith(QString::fromStdString(cache.native())));
    const QString html = QString::fromStdString(ReadFile(page.toLocalFile().toStdString()));
    const auto match = QRegularExpression(QStringLiteral("url=([^\"]*)\"")).match(html);
    EXPECT_TRUE(match.hasMatch()) << html.toStdString();
    QString url = match.captured(1);
    url.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return QUrl::fromEncoded(url.toLatin1(), QUrl::StrictMode);
  }

  quillet::testing::ScratchDir cache;
  const std::string folder = home.Native("help #1 & <ヘルプ>");
  std::vector<QUrl> opened;
  QtHelp help{[this](const QUrl& url) {
    opened.push_back(url);
    return true;
  }};
  TOptForm opt_form{globals.options};
  TAboutForm about_form;
};

TEST_F(HelpTest, EachWindowOpensAPageThatForwardsToItsTopic) {
  form->HelpMenu->menuAction()->trigger();  // F1 in the main window
  form->HelpIndex->trigger();
  opt_form.Help->click();
  status->HelpBttn->click();
  emit about_form.findChild<QShortcut*>()->activated();

  const char* topics[] = {"HID00000021", "contents", "HID00000019", "HID00000020", "HID00000023"};
  ASSERT_EQ(opened.size(), std::size(topics));
  for (std::size_t i = 0; i < opened.size(); ++i) {
    const QUrl target = Target(i);
    EXPECT_EQ(target.toLocalFile().toStdString(), folder + "/Quillet.html") << topics[i];
    EXPECT_EQ(target.fragment().toStdString(), topics[i]);
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

// No document: an information box naming it, which does not wait (help can
// be asked for during a run).
TEST_F(HelpTest, MissingDocumentIsReportedWithoutWaiting) {
  std::remove((folder + "/Quillet.html").c_str());
  status->HelpBttn->click();
  EXPECT_TRUE(opened.empty());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_FALSE(boxes.boxes[0].waited);
}

}  // namespace
}  // namespace quillet::ui
