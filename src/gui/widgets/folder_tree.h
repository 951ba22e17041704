// SPDX-License-Identifier: GPL-3.0-or-later
// A tree of the file system's folders with the desktop's icons: the roots
// are the file system's roots and the user's home folder, and a folder's
// subfolders are read when it is first expanded. selectedPath holds the
// folder the user last clicked, reached with the keyboard or opened.
#pragma once

#include <QString>
#include <QTreeWidget>

class QFileIconProvider;

class FolderTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit FolderTree(QWidget* parent = nullptr);
  ~FolderTree() override;

  // Replaces every node by the roots.
  void loadDrives();
  // Expands the tree along an existing folder's path and selects it;
  // selectedPath then ends with a separator. Anything else does nothing.
  void openPath(const QString& path);
  // A root alone gives its path with a trailing separator, a folder below
  // it a path without one.
  QString nodePath(const QTreeWidgetItem* node) const;

  QString selectedPath() const { return selected_path_; }
  // Stores the path when it differs; the selection does not move.
  void setSelectedPath(const QString& path);

 signals:
  void selectedPathChanged(const QString& path);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;

 private:
  QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& text, const QString& path);
  // Reads a node's subfolders once; a folder that cannot be read gets none
  // and loses its expand button.
  void loadSubfolders(QTreeWidgetItem* node);

  QFileIconProvider* icons_;
  QString selected_path_;
};
