// SPDX-License-Identifier: GPL-3.0-or-later
// The project commands: New, Open, Save and Save As, the recent projects,
// the question before the current project is discarded, and the start-up
// dialog's choice. They work on the document and the settings; what the
// window around them should do meanwhile (save its settings, show a status,
// hold the view still) they say with signals.
#pragma once

#include <QList>
#include <QObject>
#include <filesystem>

#include "gui/settings.h"

class Document;
class QAction;
class QMenu;
class QMimeData;
class QWidget;

class ProjectActions final : public QObject {
  Q_OBJECT
 public:
  // window owns the commands and their dialogs.
  ProjectActions(Document& document, kt58::app::Settings& settings, QWidget* window);

  // New, Open, Save and Save As, in menu order, with their shortcuts.
  QList<QAction*> actions() const;
  // The recent projects as entries to open (filled by showRecentProjects).
  QMenu* recentProjectsMenu() const { return recentProjectsMenu_; }
  // None of them while playing; the recent projects only when there are some.
  void updateControlStates();
  // Fills the recent projects menu from the settings.
  void showRecentProjects();

  // true: go on; false: the user cancelled, or the project could not be
  // saved when asked to.
  bool querySaveProject();
  // Asks about the current project first, then opens path; an empty path
  // asks with the open dialog.
  void open(const std::filesystem::path& path = {});
  // An empty path asks with the open dialog. true when a project was loaded.
  bool openProject(std::filesystem::path path);
  // true when the project was written; false when the user cancelled the
  // dialog or the write failed (shown, the project stays modified).
  bool saveProject(bool save_as);
  // Runs the start-up dialog and opens the project chosen there.
  void askAtStartup();
  // An .apf among dropped files; empty without one.
  static std::filesystem::path droppedProject(const QMimeData* data);

 signals:
  // The window's placement and pane sizes belong in the settings file too
  // whenever the commands write it: the window writes the file.
  void saveSettingsRequested();
  void statusMessage(const QString& text);
  // While the start-up dialog's project loads, the view stands still; it
  // goes on by itself once a project is in, or on viewResumed when none is.
  void viewPaused();
  void viewResumed();

 private:
  void newProject();
  void clearProject();
  void startEmptyProject();

  Document& document_;
  kt58::app::Settings& settings_;
  QWidget* window_;
  QAction *newProjectAction_, *openProjectAction_, *saveProjectAction_, *saveProjectAsAction_;
  QMenu* recentProjectsMenu_;
};
