// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/explorer_page.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QDirIterator>
#include <QDrag>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "gui/widgets/folder_tree.h"
#include "gui/document/document.h"
#include "gui/widgets/picture_image.h"
#include "engine/avi_import.h"
#include "engine/frame_store.h"
#include "engine/gif_import.h"
#include "gui/widgets/user_feedback.h"
#include "model/image_resource.h"
#include "platform/program_folder.h"

namespace {

// Rows added to the file list at a time while a folder is listed.
constexpr int kListingBatch = 256;

// The file list drags the files of its rows, as the construction view takes
// files from the desktop.
class FileList final : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  QString folder;

 protected:
  QStringList mimeTypes() const override { return {QStringLiteral("text/uri-list")}; }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    QList<QUrl> urls;
    for (const QTreeWidgetItem* item : items) urls << QUrl::fromLocalFile(QDir(folder).filePath(item->text(0)));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
  }
};

QString InFolder(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

}  // namespace

ExplorerPage::ExplorerPage(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("ExplorerSheet"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  page->addWidget(splitter);

  previewPanel_ = new QLabel(splitter);
  previewPanel_->setObjectName(QStringLiteral("ExplorerRightPanel"));
  previewPanel_->setStyleSheet(QStringLiteral("background: black"));
  previewPanel_->setMinimumHeight(40);
  auto* preview_layout = new QVBoxLayout(previewPanel_);
  preview_layout->setContentsMargins(0, 0, 0, 0);
  previewImage_ = new QLabel(previewPanel_);
  previewImage_->setObjectName(QStringLiteral("PreviewImage"));
  previewImage_->setAlignment(Qt::AlignCenter);
  preview_layout->addWidget(previewImage_);
  splitter->addWidget(previewPanel_);

  auto* middle = new QWidget(splitter);
  auto* middle_layout = new QVBoxLayout(middle);
  middle_layout->setContentsMargins(0, 0, 0, 0);
  middle_layout->setSpacing(0);
  pathLabel_ = new QLineEdit(middle);
  pathLabel_->setObjectName(QStringLiteral("PathPanel"));
  pathLabel_->setFixedHeight(std::max(22, pathLabel_->sizeHint().height()));
  pathLabel_->setStyleSheet(QStringLiteral("background: white; color: black"));
  auto* folders = new QFileSystemModel(pathLabel_);
  folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
  folders->setRootPath(QString());
  auto* completer = new QCompleter(folders, pathLabel_);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  pathLabel_->setCompleter(completer);
  middle_layout->addWidget(pathLabel_);
  folderTree_ = new FolderTree(middle);
  folderTree_->setObjectName(QStringLiteral("tvFolders"));
  folderTree_->setMinimumHeight(60);
  middle_layout->addWidget(folderTree_, 1);
  splitter->addWidget(middle);

  auto* files = new FileList(splitter);
  fileList_ = files;
  fileList_->setObjectName(QStringLiteral("lvFiles"));
  fileList_->setHeaderLabels({tr("Filename")});
  fileList_->setRootIsDecorated(false);
  fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  fileList_->setSortingEnabled(true);
  fileList_->sortByColumn(0, Qt::AscendingOrder);
  fileList_->setDragEnabled(true);
  fileList_->setDragDropMode(QAbstractItemView::DragOnly);
  fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
  fileList_->setMinimumHeight(40);
  splitter->addWidget(fileList_);
  // The file list takes the height the window gives beyond the first sizes.
  splitter->setSizes({158, 200, 140});
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 0);
  splitter->setStretchFactor(2, 1);

  fileMenu_ = new QMenu(this);
  fileMenu_->setObjectName(QStringLiteral("FilePopup"));
  refreshFileListAction_ = fileMenu_->addAction(tr("Refresh File List"));
  refreshFileListAction_->setObjectName(QStringLiteral("RefreshFileList1"));
  deleteSelectedFileAction_ = fileMenu_->addAction(tr("Delete Selected File"));
  deleteSelectedFileAction_->setObjectName(QStringLiteral("DeleteSelectedFile1"));
  connect(refreshFileListAction_, &QAction::triggered, this, [this] { onFolderChanged(true); });
  connect(deleteSelectedFileAction_, &QAction::triggered, this, &ExplorerPage::deleteSelectedFile);
  connect(fileList_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { fileMenu_->popup(fileList_->viewport()->mapToGlobal(at)); });

  previewImage_->installEventFilter(this);

  connect(folderTree_, &FolderTree::selectedPathChanged, this, [this] { onFolderChanged(false); });
  connect(pathLabel_, &QLineEdit::returnPressed, this, &ExplorerPage::goToTypedPath);
  connect(fileList_, &QTreeWidget::itemSelectionChanged, this, &ExplorerPage::previewSelected);
  connect(fileList_, &QTreeWidget::itemDoubleClicked, this, &ExplorerPage::onFileDoubleClicked);
}

void ExplorerPage::openFolder(const QString& folder) {
  folderTree_->loadDrives();
  folderTree_->openPath(folder);
  onFolderChanged(true);
}

void ExplorerPage::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  showPath();
}

bool ExplorerPage::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (watched == previewImage_ &&
      (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove)) {
    const auto* mouse = static_cast<QMouseEvent*>(e);
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
      pressed_ = true;
      press_at_ = mouse->position().toPoint();
    } else if (type == QEvent::MouseButtonRelease) {
      pressed_ = false;
    } else if (type == QEvent::MouseMove && pressed_ && (mouse->buttons() & Qt::LeftButton) &&
               (mouse->position().toPoint() - press_at_).manhattanLength() >= QApplication::startDragDistance()) {
      pressed_ = false;
      dragPreview();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void ExplorerPage::dragPreview() {
  if (previewFile_.isEmpty()) return;
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(previewFile_)});
  auto* drag = new QDrag(previewImage_);
  drag->setMimeData(data);
  const QPixmap shown = previewImage_->pixmap();
  if (!shown.isNull()) drag->setPixmap(shown.scaled(64, 64, Qt::KeepAspectRatio));
  // The construction view makes a layer of the file where it is dropped.
  drag->exec(Qt::CopyAction);
}

void ExplorerPage::showPath() {
  // Not while the user is typing a path of their own.
  if (pathLabel_->hasFocus() && pathLabel_->isModified()) return;
  pathLabel_->setText(QDir::toNativeSeparators(LastThumbDir));
  pathLabel_->setModified(false);
  pathLabel_->setCursorPosition(pathLabel_->text().size());
  pathLabel_->setToolTip(QDir::toNativeSeparators(LastThumbDir));
}

void ExplorerPage::goToTypedPath() {
  const QString typed = QDir::fromNativeSeparators(pathLabel_->text().trimmed());
  const QFileInfo info(QDir::cleanPath(typed.startsWith(QLatin1Char('~')) ? QDir::homePath() + typed.mid(1) : typed));
  pathLabel_->setModified(false);
  if (!info.isDir()) {
    emit document_.statusMessage(tr("No folder at %1").arg(QDir::toNativeSeparators(typed)));
    showPath();
    return;
  }
  folderTree_->openPath(info.absoluteFilePath());
  onFolderChanged(false);
}

void ExplorerPage::onFolderChanged(bool force) {
  const QString chosen = folderTree_->selectedPath();
  if (chosen == LastThumbDir && !force) return;
  LastThumbDir = chosen;
  static_cast<FileList*>(fileList_)->folder = LastThumbDir;
  showPath();
  if (listingActive_)
    listingRestart_ = true;
  else
    fillFileList();
}

void ExplorerPage::fillFileList() {
  QFileIconProvider icons;
  do {
    listingRestart_ = false;
    listingActive_ = true;
    const QString folder = folderTree_->selectedPath();
    // No chosen folder lists nothing: an empty path would mean the current
    // directory. An empty or unreadable folder shows an empty list and no
    // preview, not what the folder before it held.
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    const bool chosen = !folder.isEmpty();
    if (chosen && !entries.hasNext()) {
      fileList_->clear();
      clearPreview();
      previewFile_.clear();
    } else if (chosen) {
      const BusyCursor busy;
      fileList_->setUpdatesEnabled(false);
      // Sorting as rows come in would move every row once per new one.
      fileList_->setSortingEnabled(false);
      fileList_->clear();
      // Rows go in a batch at a time: one by one, the list would take each
      // new row as a change of its whole layout, in time that grows with
      // the rows it already holds.
      QList<QTreeWidgetItem*> batch;
      // Files of one kind show one icon; asking the system per file costs
      // more than listing it.
      QHash<QString, QIcon> icon_of;
      while (entries.hasNext() && !listingRestart_) {
        const QFileInfo info = entries.nextFileInfo();
        const std::filesystem::path path = info.filesystemAbsoluteFilePath();
        if (kt58::SourceTypeFromFileName(path) >= 0) {
          auto* row = new QTreeWidgetItem({info.fileName()});
          const QString kind = info.suffix().toLower();
          auto icon = icon_of.find(kind);
          if (icon == icon_of.end()) icon = icon_of.insert(kind, icons.icon(info));
          row->setIcon(0, *icon);
          batch << row;
        }
        if (batch.size() >= kListingBatch || !entries.hasNext()) {
          fileList_->addTopLevelItems(batch);
          batch.clear();
        }
        // A newer folder choice is taken here and restarts the listing.
        processPendingEvents();
      }
      fileList_->addTopLevelItems(batch);
      fileList_->setSortingEnabled(true);
      fileList_->sortByColumn(0, Qt::AscendingOrder);
      fileList_->setUpdatesEnabled(true);
    }
    listingActive_ = false;
    if (!listingRestart_) emit fileListFilled();
  } while (listingRestart_);
}

QString ExplorerPage::selectedFile() const {
  const QList<QTreeWidgetItem*> rows = fileList_->selectedItems();
  return rows.isEmpty() ? QString() : InFolder(LastThumbDir, rows.first()->text(0));
}

void ExplorerPage::previewSelected() {
  const QString path = selectedFile();
  if (path.isEmpty() || path == previewFile_) return;
  if (showPreview(path)) {
    previewFile_ = path;
  } else {
    clearPreview();
    previewFile_.clear();
  }
}

bool ExplorerPage::showPreview(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile()) return false;
  const std::filesystem::path file = info.filesystemAbsoluteFilePath();
  try {
    const int type = kt58::SourceTypeFromFileName(file);
    if (type == kt58::st_Bmp || type == kt58::st_Jpg || type == kt58::st_Gif) {
      QImageReader reader(path);
      const QImage image = reader.read();
      if (image.isNull()) throw std::runtime_error(reader.errorString().toStdString());
      previewImage_->setPixmap(QPixmap::fromImage(image));
      return true;
    }
    if (type == kt58::st_Avi || type == kt58::st_Gifa) {
      // The store's file is made under a free name; the store, still open,
      // closes and deletes it when it goes.
      kt58::FrameStore store;
      store.CreateFreeStoreFile(kt58::ProgramFolder() / "PrvStream.Tmp");
      std::optional<BusyCursor> busy;
      if (type == kt58::st_Avi) busy.emplace();  // opening a video takes a moment
      kt58::WorkPicture first = type == kt58::st_Avi ? kt58::ImportAvi(store, file, true, kt58::NoProgress())
                                                     : kt58::ImportGif(store, file, true, kt58::NoProgress());
      if (first) previewImage_->setPixmap(QPixmap::fromImage(PictureImage(*first)));
      return true;
    }
    return false;
  } catch (...) {
    showMessage(tr("Cannot load file for preview\r%1").arg(info.fileName()).toStdString());
    return false;
  }
}

void ExplorerPage::clearPreview() {
  QPixmap black(std::max(1, previewImage_->width()), std::max(1, previewImage_->height()));
  black.fill(Qt::black);
  previewImage_->setPixmap(black);
}

void ExplorerPage::onFileDoubleClicked() {
  const QString path = selectedFile();
  if (!path.isEmpty()) document_.AddLayerFromFile(QFileInfo(path).filesystemAbsoluteFilePath());
}

void ExplorerPage::deleteSelectedFile() {
  const QList<QTreeWidgetItem*> rows = fileList_->selectedItems();
  if (rows.isEmpty()) return;
  const QString path = InFolder(LastThumbDir, rows.first()->text(0));
  if (!QFileInfo::exists(path)) return;
  if (!QFile::moveToTrash(path)) {
    showMessage(tr("File could not be deleted.").toStdString());
    return;
  }
  if (path == previewFile_) previewFile_.clear();
  delete rows.first();
}
