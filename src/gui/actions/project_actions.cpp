// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/actions/project_actions.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <exception>
#include <system_error>

#include "gui/widgets/named_action.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/startup_dialog.h"
#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"

namespace fs = std::filesystem;
using kt58::app::FromPath;
using kt58::app::NamedAction;
using kt58::app::ToPath;

namespace {

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool IsFolder(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

ProjectActions::ProjectActions(Document& document, kt58::app::Settings& settings, QWidget* window)
    : QObject(window), document_(document), settings_(settings), window_(window) {
  newProjectAction_ = NamedAction(this, tr("New Project"), "NewProject1");
  newProjectAction_->setShortcut(QKeySequence::New);
  openProjectAction_ = NamedAction(this, tr("Open Project"), "OpenProject1");
  openProjectAction_->setShortcut(QKeySequence::Open);
  saveProjectAction_ = NamedAction(this, tr("Save Project"), "SaveProject1");
  saveProjectAction_->setShortcut(QKeySequence::Save);
  saveProjectAsAction_ = NamedAction(this, tr("Save Project As..."), "SaveProjectAs1");
  // Not every platform theme has a key for Save As.
  saveProjectAsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  connect(newProjectAction_, &QAction::triggered, this, &ProjectActions::newProject);
  connect(openProjectAction_, &QAction::triggered, this, [this] { open(); });
  connect(saveProjectAction_, &QAction::triggered, this, [this] { saveProject(false); });
  connect(saveProjectAsAction_, &QAction::triggered, this, [this] { saveProject(true); });

  recentProjectsMenu_ = new QMenu(tr("Recent Projects"), window);
  recentProjectsMenu_->setObjectName(QStringLiteral("RecentProjectsMenu"));
  recentProjectsMenu_->setEnabled(false);
}

QList<QAction*> ProjectActions::actions() const {
  return {newProjectAction_, openProjectAction_, saveProjectAction_, saveProjectAsAction_};
}

void ProjectActions::updateControlStates() {
  const bool playing = document_.playback().isPlaying();
  for (QAction* action : actions()) action->setEnabled(!playing);
  recentProjectsMenu_->setEnabled(!playing && !settings_.MruList.empty());
}

void ProjectActions::showRecentProjects() {
  recentProjectsMenu_->clear();
  for (const fs::path& path : settings_.MruList) {
    // "&" in a menu text marks the shortcut letter; a file name shows it as is.
    QAction* entry = recentProjectsMenu_->addAction(FromPath(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
    connect(entry, &QAction::triggered, this, [this, path] { open(path); });
  }
}

bool ProjectActions::querySaveProject() {
  const kt58::Project& a = document_.project();
  if (!a.ConstructorFrame || a.LayerCount() == 0 || !document_.IsModified()) return true;
  const auto answer =
      QMessageBox::question(window_, QApplication::applicationDisplayName(), tr("Save current project?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::No) return true;
  // Answered Yes, the project is discarded only once it is saved: a
  // cancelled save dialog or a failed write keeps it.
  if (answer == QMessageBox::Yes) return saveProject(false);
  return false;
}

void ProjectActions::newProject() {
  if (!querySaveProject()) return;
  clearProject();
  startEmptyProject();
}

void ProjectActions::open(const fs::path& path) {
  if (querySaveProject()) openProject(path);
}

bool ProjectActions::openProject(fs::path path) {
  if (path.empty())
    path = kt58::app::ChooseProjectToOpen(
        window_, settings_.LastProjectDir.empty() ? kt58::app::DefaultProjectFolder() : settings_.LastProjectDir);
  if (!IsFile(path)) return false;
  bool loaded = false;
  {
    const BusyCursor busy;
    settings_.LastProjectDir = path.parent_path();
    emit saveSettingsRequested();
    clearProject();
    // Read beside the document's (empty) project, so that events run while
    // loading never see a half-read one.
    auto project = std::make_unique<kt58::Project>();
    try {
      kt58::DialogProgress progress = WindowProgress();
      const kt58::ProjectReadResult read = project->ReadFromFile(path, progress);
      // The program's messages for the read, in the order the reader met them.
      for (const kt58::ProjectReadIssue& w : read.warnings)
        if (!w.message.empty()) showMessage(w.message);
      if (!read.ok && !read.message.empty()) showMessage(read.message);
      loaded = read.ok;
    } catch (...) {
      showMessage(tr("Unknown load exception.").toStdString());
    }
    emit statusMessage(loaded ? tr("Loaded") : tr("Load failure"));
    if (loaded) {
      processPendingEvents();
      // Opened projects play without rendering, whatever they stored.
      project->NonRenderedPlayback = true;
      document_.ReplaceAnimation(std::move(project), FromPath(path));
      document_.Regenerate();
      kt58::app::AddRecentProject(settings_.MruList, path);
      showRecentProjects();
    } else {
      startEmptyProject();
    }
    // The panels, the view and the status areas loaded themselves on the
    // document's projectReplaced, fileNameChanged and modifiedChanged.
  }
  processPendingEvents();
  return loaded;
}

bool ProjectActions::saveProject(bool save_as) {
  fs::path name = ToPath(document_.FileName());
  if (save_as || !IsFile(name)) {
    const fs::path folder = IsFolder(name.parent_path()) ? name.parent_path() : settings_.LastProjSaveDir;
    const fs::path chosen = kt58::app::ChooseProjectToSave(window_, folder, name.filename());
    if (chosen.empty()) return false;
    settings_.LastProjSaveDir = chosen.parent_path();
    emit saveSettingsRequested();
    name = chosen;
  }
  {
    const BusyCursor busy;
    // Saving has always made the frames anew from the layers it writes.
    document_.Regenerate();
    try {
      // Saving reopens the frame stores the worker reads.
      const ProjectChange change(document_);
      kt58::DialogProgress progress = WindowProgress();
      for (const kt58::StoreProblem& problem : document_.project().SaveToFile(name, progress))
        showMessage(problem.message);
    } catch (const std::exception& e) {
      // The message names the file and the reason; the project stays
      // modified, since nothing holds it yet.
      showMessage(e.what());
      return false;
    }
  }
  document_.SetFileName(FromPath(name));
  document_.SetModified(false);
  // A project just saved is one the user will want again.
  kt58::app::AddRecentProject(settings_.MruList, name);
  showRecentProjects();
  emit statusMessage(tr("Saved"));
  return true;
}

void ProjectActions::clearProject() {
  // A new animation frees the old project's layers, frames and resources
  // and clears the undo history that refers to them.
  document_.ReplaceAnimation(Document::NewProject());
  processPendingEvents();
}

void ProjectActions::startEmptyProject() {
  // The animation clearProject made has an empty constructor frame already.
  document_.SetModified(false);
}

void ProjectActions::askAtStartup() {
  const fs::path path = runStartupDialog(settings_.MruList, settings_.StartDialogOn);
  emit viewPaused();
  if (IsFile(path))
    openProject(path);
  else
    emit viewResumed();
}

fs::path ProjectActions::droppedProject(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const fs::path path = ToPath(url.toLocalFile());
    if (path.extension().string().size() == 4 &&
        QString::fromStdString(path.extension().string()).compare(QStringLiteral(".apf"), Qt::CaseInsensitive) == 0)
      return path;
  }
  return {};
}
