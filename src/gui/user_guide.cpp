// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/user_guide.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/widgets/shell_open.h"
#include "gui/widgets/user_feedback.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

namespace {

// A free function's texts need a translation context of their own.
struct UserGuideTexts {
  Q_DECLARE_TR_FUNCTIONS(UserGuide)
};

// Whether the desktop has a program for web pages: its opener may start
// and report success with none there, and nothing would show.
bool DesktopHasBrowser() {
  if (!qEnvironmentVariableIsEmpty("BROWSER")) return true;
  const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (mime.isEmpty()) return true;  // no way to ask: the desktop decides
  QProcess query;
  query.start(mime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
  if (!query.waitForFinished(3000)) return true;
  return !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

fs::path UserGuidePath() {
  const fs::path page = HelpIndexPath();
  std::error_code ec;
  return fs::is_regular_file(page, ec) ? page : fs::path();
}

void OpenUserGuide(QWidget* parent) {
  const fs::path page = UserGuidePath();
  if (page.empty()) {
    showMessage(UserGuideTexts::tr("Help file missing.").toStdString());
    return;
  }
  const QUrl url = QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(page.string())));
  if (DesktopHasBrowser() && controls::ShellOpenResult(url.toString()) > 32) return;
  // No browser: the guide is plain HTML that a text browser shows well.
  auto* viewer = parent ? parent->findChild<QDialog*>(QStringLiteral("UserGuideViewer")) : nullptr;
  if (!viewer) {
    viewer = new QDialog(parent);
    viewer->setObjectName(QStringLiteral("UserGuideViewer"));
    viewer->setWindowTitle(UserGuideTexts::tr("kt58 Animator Help"));
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    auto* browser = new QTextBrowser(viewer);
    browser->setObjectName(QStringLiteral("UserGuideBrowser"));
    // Web addresses go to the desktop; the guide's own pages stay here.
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    viewer->resize(720, 600);
  }
  viewer->findChild<QTextBrowser*>()->setSource(url);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace kt58::app
