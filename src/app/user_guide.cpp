#include "app/user_guide.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include "controls/shell_open.h"
#include "engine/ui_services.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

std::vector<fs::path> UserGuideCandidates() {
  const fs::path page = fs::path("help") / "index.html";
  const fs::path exe_folder(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
  return {ProgramFolder() / page, exe_folder / page,
          (exe_folder / ".." / "share" / "kt58-animator" / page).lexically_normal()};
}

fs::path UserGuidePath() {
  for (const fs::path& candidate : UserGuideCandidates()) {
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return {};
}

void OpenUserGuide(QWidget* parent) {
  const fs::path page = UserGuidePath();
  if (page.empty()) {
    Ui().ShowMessage("Help file missing.");
    return;
  }
  controls::ShellOpen(parent, QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(page.string()))).toString());
}

}  // namespace kt58::app
