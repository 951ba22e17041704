// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDesktopServices>
#include <QDialog>
#include <QTextBrowser>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "gui/user_guide.h"
#include "app_test.h"
#include "platform/program_folder.h"
#include "shown_messages.h"
#include "support/test_support.h"

using namespace kt58;
namespace fs = std::filesystem;

// Stands in for the desktop's browser: records what it was asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public slots:
  void open(const QUrl& url) { opened << url; }

 public:
  QList<QUrl> opened;
};

class UserGuideTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder_, "open"); }
  void cleanup() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    recorder_.opened.clear();
  }

  void aMissingGuideIsReported() {
    test::TempDir home;
    kt58::apptest::ShownMessages ui;
    QVERIFY(app::UserGuidePath().empty());
    app::OpenUserGuide(nullptr);
    QCOMPARE(ui.messages, std::vector<std::string>{"Help file missing."});
    QVERIFY(recorder_.opened.isEmpty());
  }

  void thePresentGuideOpensInTheBrowser() {
    test::TempDir home;
    kt58::apptest::ShownMessages ui;
    const fs::path page = ProgramFolder() / "help" / "index.html";
    fs::create_directories(page.parent_path());
    test::WriteFileBytes(page, {'<', 'p', '>'});
    QCOMPARE(QString::fromStdString(app::UserGuidePath().string()), QString::fromStdString(page.string()));
    app::OpenUserGuide(nullptr);
    QVERIFY(ui.messages.empty());
    QCOMPARE(recorder_.opened.size(), 1);
    QCOMPARE(recorder_.opened.first().toLocalFile(), QString::fromStdString(page.string()));
  }

  // Without a browser the guide opens in the program's own window, and its
  // links lead through its pages there.
  void withoutABrowserTheGuideShowsInItsOwnWindow() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    test::TempDir home;
    kt58::apptest::ShownMessages ui;
    fs::copy(KT58_SOURCE_DIR "/resources/help", ProgramFolder() / "help", fs::copy_options::recursive);
    QWidget window;
    app::OpenUserGuide(&window);
    auto* viewer = window.findChild<QDialog*>(QStringLiteral("UserGuideViewer"));
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    auto* browser = viewer->findChild<QTextBrowser*>(QStringLiteral("UserGuideBrowser"));
    QVERIFY(browser);
    QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("kt58")));
    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("exports.html"))));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Save as Animated Gif...")));
    // Help again brings the same window back to its first page.
    app::OpenUserGuide(&window);
    QCOMPARE(window.findChildren<QDialog*>(QStringLiteral("UserGuideViewer")).size(), 1);
    QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
    QVERIFY(ui.messages.empty());
  }

  // Every page of the guide we ship has a title, and every link between its
  // pages (and to its pictures) leads to a file that is there.
  void theShippedGuideHoldsTogether() {
    const QDir help(QStringLiteral(KT58_SOURCE_DIR "/resources/help"));
    QVERIFY(help.exists(QStringLiteral("index.html")));
    const QRegularExpression link(QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""));
    const QStringList pages = help.entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(pages.size() >= 2);
    for (const QString& name : pages) {
      QFile file(help.filePath(name));
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QString html = QString::fromUtf8(file.readAll());
      QVERIFY2(html.contains(QStringLiteral("<title>")), qPrintable(name));
      for (auto it = link.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1).section(QLatin1Char('#'), 0, 0);
        if (target.isEmpty() || target.contains(QLatin1Char(':'))) continue;  // same page, or a web address
        QVERIFY2(QFileInfo::exists(help.filePath(target)), qPrintable(name + QStringLiteral(" links to ") + target));
      }
    }
  }

 private:
  UrlRecorder recorder_;
};

KT58_APP_TEST(UserGuideTest);

#include "user_guide_test.moc"
