// SPDX-License-Identifier: GPL-3.0-or-later
// The project commands of the main window: New, Open, Save, Save As, the
// question before the current project is discarded, the recent projects,
// the start-up dialog and the settings written around them.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <system_error>

#include "gui/main_window.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/startup_dialog.h"
#include "gui/panels/canvas_view.h"
#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "gui/panels/explorer_page.h"
#include "gui/panels/layer_list.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"

namespace fs = std::filesystem;
using kt58::app::FromPath;
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

void MainWindow::applySettings() {
  // The form's sizes are the defaults of the keys the file lacks.
  settings_.Window = {x(), y(), width(), height(), false, false};
  settings_.Preview = splitter_->sizes().value(0, settings_.Preview);
  settings_.lvLayersType = layerList_->layerTree_->columnWidth(1);
  settings_.lvLayersSize = layerList_->layerTree_->columnWidth(2);
  kt58::app::LoadSettings(settings_);

  const kt58::app::WindowPlacement& w = settings_.Window;
  move(w.Left, w.Top);
  resize(w.Width, w.Height);
  if (w.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
  const QList<int> sizes = splitter_->sizes();
  if (sizes.size() == 2) splitter_->setSizes({settings_.Preview, std::max(0, sizes[0] + sizes[1] - settings_.Preview)});
  layerList_->layerTree_->setColumnWidth(1, settings_.lvLayersType);
  layerList_->layerTree_->setColumnWidth(2, settings_.lvLayersSize);
  document_->project().NonRenderedPlayback = settings_.RealTimePlayback;
  loadAnimationControls();
  showRecentProjects();
}

void MainWindow::saveSettings() {
  settings_.Window = {x(), y(), width(), height(), isMaximized(), isMinimized()};
  settings_.Preview = splitter_->sizes().value(0, settings_.Preview);
  settings_.lvLayersType = layerList_->layerTree_->columnWidth(1);
  settings_.lvLayersSize = layerList_->layerTree_->columnWidth(2);
  settings_.RealTimePlayback = document_->project().NonRenderedPlayback;
  if (!explorerPage_->LastThumbDir.isEmpty()) settings_.LastThumbDir = ToPath(explorerPage_->LastThumbDir);
  try {
    kt58::app::SaveSettings(settings_);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
}

void MainWindow::onProjectMenuAboutToShow() { updateControlStates(); }

void MainWindow::showRecentProjects() {
  recentProjectsMenu_->clear();
  for (const fs::path& path : settings_.MruList) {
    // "&" in a menu text marks the shortcut letter; a file name shows it as is.
    QAction* entry = recentProjectsMenu_->addAction(FromPath(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
    connect(entry, &QAction::triggered, this, [this, path] {
      if (querySaveProject()) openProject(path);
    });
  }
}

bool MainWindow::querySaveProject() {
  const kt58::Project& a = document_->project();
  if (!a.ConstructorFrame || a.LayerCount() == 0 || !document_->IsModified()) return true;
  const auto answer =
      QMessageBox::question(this, QApplication::applicationDisplayName(), tr("Save current project?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::No) return true;
  // Answered Yes, the project is discarded only once it is saved: a
  // cancelled save dialog or a failed write keeps it.
  if (answer == QMessageBox::Yes) return saveProject(false);
  return false;
}

void MainWindow::newProject() {
  if (!querySaveProject()) return;
  clearProject();
  startEmptyProject();
}

void MainWindow::open() {
  if (querySaveProject()) openProject({});
}

void MainWindow::save() { saveProject(false); }

void MainWindow::saveAs() { saveProject(true); }

bool MainWindow::openProject(fs::path path) {
  if (path.empty())
    path = kt58::app::ChooseProjectToOpen(
        this, settings_.LastProjectDir.empty() ? kt58::app::DefaultProjectFolder() : settings_.LastProjectDir);
  if (!IsFile(path)) return false;
  bool loaded = false;
  {
    const BusyCursor busy;
    settings_.LastProjectDir = path.parent_path();
    saveSettings();
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
    showStatusMessage(loaded ? tr("Loaded") : tr("Load failure"));
    if (loaded) {
      processPendingEvents();
      // Opened projects play without rendering, whatever they stored.
      project->NonRenderedPlayback = true;
      document_->ReplaceAnimation(std::move(project), FromPath(path));
      document_->Regenerate();
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

bool MainWindow::saveProject(bool save_as) {
  fs::path name = ToPath(document_->FileName());
  if (save_as || !IsFile(name)) {
    const fs::path folder = IsFolder(name.parent_path()) ? name.parent_path() : settings_.LastProjSaveDir;
    const fs::path chosen = kt58::app::ChooseProjectToSave(this, folder, name.filename());
    if (chosen.empty()) return false;
    settings_.LastProjSaveDir = chosen.parent_path();
    saveSettings();
    name = chosen;
  }
  {
    const BusyCursor busy;
    // Saving has always made the frames anew from the layers it writes.
    document_->Regenerate();
    try {
      kt58::DialogProgress progress = WindowProgress();
      for (const kt58::StoreProblem& problem : document_->project().SaveToFile(name, progress))
        showMessage(problem.message);
    } catch (const std::exception& e) {
      // The message names the file and the reason; the project stays
      // modified, since nothing holds it yet.
      showMessage(e.what());
      return false;
    }
  }
  document_->SetFileName(FromPath(name));
  document_->SetModified(false);
  showStatusMessage(tr("Saved"));
  return true;
}

void MainWindow::clearProject() {
  // A new animation frees the old project's layers, frames and resources
  // and clears the undo history that refers to them.
  document_->ReplaceAnimation(std::make_unique<kt58::Project>());
  processPendingEvents();
}

void MainWindow::startEmptyProject() {
  // The animation clearProject made has an empty constructor frame already.
  document_->SetModified(false);
}

void MainWindow::showStartupDialog() {
  repaint();
  processPendingEvents();
  if (!startup_dialog_shown_) {
    startup_dialog_shown_ = true;
    const fs::path path = runStartupDialog(settings_.MruList, settings_.StartDialogOn);
    canvasView_->stopUpdateTimer();
    if (IsFile(path))
      openProject(path);
    else
      canvasView_->startUpdateTimer();
  }
  propertyTabs_->setCurrentWidget(explorerPage_);
  processPendingEvents();
  startupComplete_ = true;
  relayout();
}

fs::path MainWindow::droppedProject(const QMimeData* data) {
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

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return QMainWindow::eventFilter(watched, e);
  auto* widget = qobject_cast<QWidget*>(watched);
  auto* drop = static_cast<QDropEvent*>(e);
  if (!widget || widget->window() != this || document_->playback().isPlaying()) return false;
  const fs::path project = droppedProject(drop->mimeData());
  if (project.empty()) return false;
  drop->acceptProposedAction();
  if (type == QEvent::Drop) {
    // Opened once the drag has ended, so that its source is not kept
    // waiting on the question and the loading.
    QTimer::singleShot(0, this, [this, project] {
      if (querySaveProject()) openProject(project);
    });
  }
  return true;
}
