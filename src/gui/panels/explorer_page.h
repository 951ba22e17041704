// SPDX-License-Identifier: GPL-3.0-or-later
// The "Explorer" page: browse folders in the tree, see the picture and
// video files a folder holds, preview one, and make a layer of it by a
// double click or by dragging it onto the construction view. The listing
// lets events run after every entry, so a large folder never freezes the
// window and a newer folder choice restarts it.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class Document;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class FolderTree;

class ExplorerPage final : public QWidget {
  Q_OBJECT
 public:
  ExplorerPage(Document& document, QWidget* parent = nullptr);

  // Fills the tree with the roots and opens it at the folder, listing it.
  void openFolder(const QString& folder);
  // Lists the tree's folder when it is another one than listed, or always
  // with force; during a listing the listing starts over with it.
  void onFolderChanged(bool force);
  void fillFileList();
  // Shows the file in the preview area; false when it cannot be shown.
  bool showPreview(const QString& path);
  void clearPreview();
  // Previews the selected row's file unless it is already shown.
  void previewSelected();
  void onFileDoubleClicked();
  void deleteSelectedFile();
  // The full path of the selected row's file, or empty.
  QString selectedFile() const;
  // Opens the folder typed in the path box; an unknown one is said in the
  // status bar and the box goes back to the folder listed.
  void goToTypedPath();

  QLabel* previewPanel_;
  QLabel* previewImage_;
  // The folder listed; typing a folder's path (completed from the disk)
  // and Enter go there.
  QLineEdit* pathLabel_;
  FolderTree* folderTree_;
  QTreeWidget* fileList_;
  QMenu* fileMenu_;
  QAction *refreshFileListAction_, *deleteSelectedFileAction_;

  QString LastThumbDir;
  QString previewFile_;
  bool listingActive_ = false, listingRestart_ = false;

 signals:
  // A listing ran to its end (not cut short by a restart).
  void fileListFilled();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  // The preview picture starts a drag of the previewed file.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void showPath();
  void dragPreview();

  Document& document_;
  // Where the left button went down on the preview picture.
  QPoint press_at_;
  bool pressed_ = false;
};
