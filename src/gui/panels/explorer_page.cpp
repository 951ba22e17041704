// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/explorer_page.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QDrag>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <optional>

#include "gui/widgets/folder_tree.h"
#include "gui/document/document.h"
#include "gui/widgets/picture_image.h"
#include "engine/avi_import.h"
#include "engine/frame_store.h"
#include "engine/gif_import.h"
#include "engine/ui_services.h"
#include "model/image_resource.h"
#include "platform/program_folder.h"

namespace {

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

  ExplorerRightPanel = new QLabel(splitter);
  ExplorerRightPanel->setObjectName(QStringLiteral("ExplorerRightPanel"));
  ExplorerRightPanel->setStyleSheet(QStringLiteral("background: black"));
  ExplorerRightPanel->setMinimumHeight(40);
  auto* preview_layout = new QVBoxLayout(ExplorerRightPanel);
  preview_layout->setContentsMargins(0, 0, 0, 0);
  PreviewImage = new QLabel(ExplorerRightPanel);
  PreviewImage->setObjectName(QStringLiteral("PreviewImage"));
  PreviewImage->setAlignment(Qt::AlignCenter);
  preview_layout->addWidget(PreviewImage);
  splitter->addWidget(ExplorerRightPanel);

  auto* middle = new QWidget(splitter);
  auto* middle_layout = new QVBoxLayout(middle);
  middle_layout->setContentsMargins(0, 0, 0, 0);
  middle_layout->setSpacing(0);
  PathPanel = new QLabel(middle);
  PathPanel->setObjectName(QStringLiteral("PathPanel"));
  PathPanel->setFixedHeight(22);
  PathPanel->setFrameShape(QFrame::Box);
  PathPanel->setStyleSheet(QStringLiteral("background: white; color: black"));
  middle_layout->addWidget(PathPanel);
  tvFolders = new FolderTree(middle);
  tvFolders->setObjectName(QStringLiteral("tvFolders"));
  tvFolders->setMinimumHeight(60);
  middle_layout->addWidget(tvFolders, 1);
  splitter->addWidget(middle);

  auto* files = new FileList(splitter);
  lvFiles = files;
  lvFiles->setObjectName(QStringLiteral("lvFiles"));
  lvFiles->setHeaderLabels({QStringLiteral("Filename")});
  lvFiles->setRootIsDecorated(false);
  lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvFiles->setSortingEnabled(true);
  lvFiles->sortByColumn(0, Qt::AscendingOrder);
  lvFiles->setDragEnabled(true);
  lvFiles->setDragDropMode(QAbstractItemView::DragOnly);
  lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
  lvFiles->setMinimumHeight(40);
  splitter->addWidget(lvFiles);
  splitter->setSizes({158, 200, 93});
  splitter->setStretchFactor(1, 1);

  FilePopup = new QMenu(this);
  FilePopup->setObjectName(QStringLiteral("FilePopup"));
  RefreshFileList1 = FilePopup->addAction(QStringLiteral("Refresh File List"));
  RefreshFileList1->setObjectName(QStringLiteral("RefreshFileList1"));
  DeleteSelectedFile1 = FilePopup->addAction(QStringLiteral("Delete Selected File"));
  DeleteSelectedFile1->setObjectName(QStringLiteral("DeleteSelectedFile1"));
  connect(RefreshFileList1, &QAction::triggered, this, [this] { FolderChanged(true); });
  connect(DeleteSelectedFile1, &QAction::triggered, this, &ExplorerPage::DeleteSelectedFile1Click);
  connect(lvFiles, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { FilePopup->popup(lvFiles->viewport()->mapToGlobal(at)); });

  PreviewImage->installEventFilter(this);

  connect(tvFolders, &FolderTree::selectedPathChanged, this, [this] { FolderChanged(false); });
  connect(lvFiles, &QTreeWidget::itemSelectionChanged, this, &ExplorerPage::PreviewSelected);
  connect(lvFiles, &QTreeWidget::itemDoubleClicked, this, &ExplorerPage::lvFilesDblClick);
}

void ExplorerPage::OpenFolder(const QString& folder) {
  tvFolders->LoadDrives();
  tvFolders->OpenPath(folder);
  FolderChanged(true);
}

void ExplorerPage::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  ShowPath();
}

bool ExplorerPage::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (watched == PreviewImage &&
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
      DragPreview();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void ExplorerPage::DragPreview() {
  if (PreviewFile.isEmpty()) return;
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(PreviewFile)});
  auto* drag = new QDrag(PreviewImage);
  drag->setMimeData(data);
  const QPixmap shown = PreviewImage->pixmap();
  if (!shown.isNull()) drag->setPixmap(shown.scaled(64, 64, Qt::KeepAspectRatio));
  // The construction view makes a layer of the file where it is dropped.
  drag->exec(Qt::CopyAction);
}

void ExplorerPage::ShowPath() {
  // The folder shortened in the middle to three quarters of the line.
  const int room = PathPanel->width() / 4 * 3;
  PathPanel->setText(fontMetrics().elidedText(QDir::toNativeSeparators(LastThumbDir), Qt::ElideMiddle, room));
  PathPanel->setToolTip(QDir::toNativeSeparators(LastThumbDir));
}

void ExplorerPage::FolderChanged(bool force) {
  const QString chosen = tvFolders->SelectedPath();
  if (chosen == LastThumbDir && !force) return;
  LastThumbDir = chosen;
  static_cast<FileList*>(lvFiles)->folder = LastThumbDir;
  ShowPath();
  if (ListingActive)
    ListingRestart = true;
  else
    FillFileList();
}

void ExplorerPage::FillFileList() {
  QFileIconProvider icons;
  do {
    ListingRestart = false;
    ListingActive = true;
    const QString folder = tvFolders->SelectedPath();
    // No chosen folder lists nothing: an empty path would mean the current
    // directory.
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    if (!folder.isEmpty() && entries.hasNext()) {
      const kt58::BusyCursor busy;
      lvFiles->setUpdatesEnabled(false);
      // Sorting as rows come in would move every row once per new one.
      lvFiles->setSortingEnabled(false);
      lvFiles->clear();
      while (entries.hasNext() && !ListingRestart) {
        const QFileInfo info = entries.nextFileInfo();
        const std::filesystem::path path = info.filesystemAbsoluteFilePath();
        if (kt58::SourceTypeFromFileName(path) >= 0) {
          auto* row = new QTreeWidgetItem(lvFiles, {info.fileName()});
          row->setIcon(0, icons.icon(info));
        }
        // A newer folder choice is taken here and restarts the listing.
        kt58::ProcessPendingMessages();
      }
      lvFiles->setSortingEnabled(true);
      lvFiles->sortByColumn(0, Qt::AscendingOrder);
      lvFiles->setUpdatesEnabled(true);
    }
    ListingActive = false;
    if (!ListingRestart) emit fileListFilled();
  } while (ListingRestart);
}

QString ExplorerPage::SelectedFile() const {
  const QList<QTreeWidgetItem*> rows = lvFiles->selectedItems();
  return rows.isEmpty() ? QString() : InFolder(LastThumbDir, rows.first()->text(0));
}

void ExplorerPage::PreviewSelected() {
  const QString path = SelectedFile();
  if (path.isEmpty() || path == PreviewFile) return;
  if (ShowPreview(path)) {
    PreviewFile = path;
  } else {
    ClearPreview();
    PreviewFile.clear();
  }
}

bool ExplorerPage::ShowPreview(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile()) return false;
  const std::filesystem::path file = info.filesystemAbsoluteFilePath();
  try {
    const int type = kt58::SourceTypeFromFileName(file);
    if (type == kt58::st_Bmp || type == kt58::st_Jpg || type == kt58::st_Gif) {
      QImageReader reader(path);
      const QImage image = reader.read();
      if (image.isNull()) throw std::runtime_error(reader.errorString().toStdString());
      PreviewImage->setPixmap(QPixmap::fromImage(image));
      return true;
    }
    if (type == kt58::st_Avi || type == kt58::st_Gifa) {
      // The store's file is made under a free name; the store, still open,
      // closes and deletes it when it goes.
      kt58::FrameStore store;
      store.CreateFreeStoreFile(kt58::ProgramFolder() / "PrvStream.Tmp");
      std::optional<kt58::BusyCursor> busy;
      if (type == kt58::st_Avi) busy.emplace();  // opening a video takes a moment
      kt58::WorkPicture first = type == kt58::st_Avi ? kt58::ImportAvi(store, file, true, kt58::NoProgress())
                                                     : kt58::ImportGif(store, file, true, kt58::NoProgress());
      if (first) PreviewImage->setPixmap(QPixmap::fromImage(PictureImage(*first)));
      return true;
    }
    return false;
  } catch (...) {
    kt58::Ui().ShowMessage("Cannot load file for preview\r" + info.fileName().toStdString());
    return false;
  }
}

void ExplorerPage::ClearPreview() {
  QPixmap black(std::max(1, PreviewImage->width()), std::max(1, PreviewImage->height()));
  black.fill(Qt::black);
  PreviewImage->setPixmap(black);
}

void ExplorerPage::lvFilesDblClick() {
  const QString path = SelectedFile();
  if (!path.isEmpty()) document_.AddLayerFromFile(QFileInfo(path).filesystemAbsoluteFilePath());
}

void ExplorerPage::DeleteSelectedFile1Click() {
  const QList<QTreeWidgetItem*> rows = lvFiles->selectedItems();
  if (rows.isEmpty()) return;
  const QString path = InFolder(LastThumbDir, rows.first()->text(0));
  if (!QFileInfo::exists(path)) return;
  if (!QFile::moveToTrash(path)) {
    kt58::Ui().ShowMessage("File could not be deleted.");
    return;
  }
  if (path == PreviewFile) PreviewFile.clear();
  delete rows.first();
}
