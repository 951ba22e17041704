// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/user_guide.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

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
  controls::ShellOpen(parent, QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(page.string()))).toString());
}

}  // namespace kt58::app
