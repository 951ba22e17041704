// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/folder_tree.h"

#include <QDir>
#include <QDirIterator>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// The root's own path sits in the node; deeper nodes are named by their text.
constexpr int kRootPathRole = Qt::UserRole + 1;
// Set once a node's subfolders were read.
constexpr int kLoadedRole = Qt::UserRole + 2;

constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

QString WithSeparator(QString path) {
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path;
}

// Stops at the first subfolder: opening a node costs one read of it and a
// short look into each child.
bool HasSubfolder(const QString& path) { return QDirIterator(path, kFolders).hasNext(); }

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent), icons_(new QFileIconProvider) {
  setHeaderHidden(true);
  setColumnCount(1);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setIndentation(19);
  setMinimumSize(180, 120);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::loadSubfolders);
}

FolderTree::~FolderTree() { delete icons_; }

QTreeWidgetItem* FolderTree::addNode(QTreeWidgetItem* parent, const QString& text, const QString& path) {
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  node->setText(0, text);
  node->setFlags(node->flags() & ~Qt::ItemIsEditable);
  node->setIcon(0, icons_->icon(QFileInfo(path)));
  node->setChildIndicatorPolicy(HasSubfolder(path) ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return node;
}

void FolderTree::loadDrives() {
  setUpdatesEnabled(false);
  clear();
  QStringList roots;
  for (const QFileInfo& drive : QDir::drives()) roots << drive.absoluteFilePath();
  const QString home = QDir::homePath();
  if (!roots.contains(WithSeparator(home)) && !roots.contains(home)) roots << home;
  for (const QString& root : roots) {
    QTreeWidgetItem* node = addNode(nullptr, QDir::toNativeSeparators(root), root);
    node->setData(0, kRootPathRole, root);
  }
  setUpdatesEnabled(true);
}

QString FolderTree::nodePath(const QTreeWidgetItem* node) const {
  if (!node) return {};
  QStringList names;
  while (node->parent()) {
    names.prepend(node->text(0));
    node = node->parent();
  }
  const QString root = WithSeparator(node->data(0, kRootPathRole).toString());
  return names.isEmpty() ? root : root + names.join(QLatin1Char('/'));
}

void FolderTree::loadSubfolders(QTreeWidgetItem* node) {
  if (!node || node->data(0, kLoadedRole).toBool()) return;
  node->setData(0, kLoadedRole, true);
  const QString path = nodePath(node);
  const QString base = WithSeparator(path);
  for (const QString& name : QDir(path).entryList(kFolders, QDir::NoSort)) addNode(node, name, base + name);
  node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  node->sortChildren(0, Qt::AscendingOrder);
}

void FolderTree::setSelectedPath(const QString& path) {
  // Folder names differ by case on this platform's file systems.
  if (path == selected_path_) return;
  selected_path_ = path;
  emit selectedPathChanged(path);
}

void FolderTree::openPath(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir()) return;
  const QString target = WithSeparator(QDir::cleanPath(info.absoluteFilePath()));
  // The root holding the path most closely: a folder in the home folder
  // opens below the home node.
  QTreeWidgetItem* node = nullptr;
  qsizetype best = -1;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QString root = WithSeparator(topLevelItem(i)->data(0, kRootPathRole).toString());
    if (target.startsWith(root) && root.size() > best) {
      node = topLevelItem(i);
      best = root.size();
    }
  }
  if (!node) return;
  setUpdatesEnabled(false);
  bool complete = true;
  for (const QString& name : target.mid(best).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    loadSubfolders(node);
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < node->childCount() && !next; ++i)
      if (node->child(i)->text(0) == name) next = node->child(i);
    if (!next) {
      complete = false;
      break;
    }
    node->setExpanded(true);
    node = next;
  }
  if (complete) loadSubfolders(node);
  const QString built = WithSeparator(nodePath(node));
  if (built != selected_path_) {
    setSelectedPath(built);
    if (complete) {
      setCurrentItem(node);
      scrollToItem(node);
    } else {
      clearSelection();
    }
  }
  setUpdatesEnabled(true);
}

void FolderTree::mousePressEvent(QMouseEvent* e) {
  // Only a press on a node's icon or name chooses it; the expand button
  // does not.
  if (e->button() == Qt::LeftButton) {
    QTreeWidgetItem* node = itemAt(e->position().toPoint());
    if (node && visualItemRect(node).contains(e->position().toPoint())) setSelectedPath(nodePath(node));
  }
  QTreeWidget::mousePressEvent(e);
}

void FolderTree::keyReleaseEvent(QKeyEvent* e) {
  if (currentItem()) setSelectedPath(nodePath(currentItem()));
  QTreeWidget::keyReleaseEvent(e);
}
