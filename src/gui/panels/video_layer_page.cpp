// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/video_layer_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/document/document.h"
#include "gui/widgets/picture_image.h"
#include "engine/frame_store.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"
#include "model/layer.h"
#include "model/image_resource.h"
#include "platform/text_helpers.h"

namespace {

// The name after the last folder; stored names may come from another
// system's paths.
QString FileNameOnly(const std::filesystem::path& path) {
  const QString text = QString::fromStdString(path.string());
  return text.mid(std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf(QLatin1Char('\\'))) + 1);
}

}  // namespace

VideoLayerPage::VideoLayerPage(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("VideoSheet"));
  buildPage();

  frameList_->installEventFilter(this);
  connect(frameList_, &QTreeWidget::itemSelectionChanged, this, &VideoLayerPage::onFrameSelected);
  connect(stretchCheck_, &QCheckBox::clicked, this, &VideoLayerPage::onStretchToggled);
  connect(interlaceSelectionButton_, &QToolButton::clicked, this, &VideoLayerPage::interlaceSelection);
  connect(previewButton_, &QPushButton::clicked, this, &VideoLayerPage::onPreviewClicked);
  connect(cropButton_, &QPushButton::clicked, this, &VideoLayerPage::cropFrames);

  // Every new selection and every project shows afresh; other changes of
  // the layers only when the selected layer's file is another one now.
  for (auto signal : {&Document::selectionChanged, &Document::projectReplaced})
    connect(&document_, signal, this, [this] { showVideoLayerInfo(document_.SelectedLayer()); });
  connect(&document_, &Document::layersChanged, this, &VideoLayerPage::followSelection);
  connect(&document_, &Document::videoFramesChanged, this, [this](kt58::ImageResource* resource) {
    if (resource == resource_) showVideoLayerInfo(document_.SelectedLayer());
  });
  showEmpty();
}

void VideoLayerPage::buildPage() {
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 4, 4);

  auto* info = new QGroupBox(tr("  General Information  "), this);
  auto* info_rows = new QVBoxLayout(info);
  fileLabel_ = new QLabel(info);
  frameCountLabel_ = new QLabel(info);
  currentFrameLabel_ = new QLabel(info);
  for (QLabel* label : {fileLabel_, frameCountLabel_, currentFrameLabel_}) {
    // A long file name is cut at the page's edge rather than widening it.
    label->setMinimumWidth(1);
    info_rows->addWidget(label);
  }
  page->addWidget(info);

  frameManagerGroup_ = new QGroupBox(tr("  Video Frame Manager  "), this);
  auto* manager = new QVBoxLayout(frameManagerGroup_);
  framePreview_ = new QLabel(frameManagerGroup_);
  framePreview_->setAlignment(Qt::AlignCenter);
  framePreview_->setAutoFillBackground(true);
  QPalette black = framePreview_->palette();
  black.setColor(QPalette::Window, Qt::black);
  framePreview_->setPalette(black);
  framePreview_->setScaledContents(true);
  // The frame takes the room it is given; a large one never widens the page.
  framePreview_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  framePreview_->setFixedHeight(120);
  manager->addWidget(framePreview_);

  auto* lower = new QHBoxLayout;
  frameList_ = new QTreeWidget(frameManagerGroup_);
  frameList_->setHeaderLabels({tr("Frame")});
  frameList_->setRootIsDecorated(false);
  frameList_->setUniformRowHeights(true);
  frameList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  frameList_->setSelectionMode(QAbstractItemView::SingleSelection);
  frameList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  frameList_->header()->setSectionResizeMode(QHeaderView::Stretch);
  lower->addWidget(frameList_, 1);

  auto* buttons = new QVBoxLayout;
  stretchCheck_ = new QCheckBox(tr("Stretch"), frameManagerGroup_);
  stretchCheck_->setChecked(true);
  previewButton_ = new QPushButton(tr("Preview"), frameManagerGroup_);
  interlaceSelectionButton_ = new QToolButton(frameManagerGroup_);
  interlaceSelectionButton_->setText(tr("Interlaced"));
  interlaceSelectionButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  interlaceSelectionButton_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  cropButton_ = new QPushButton(tr("Crop"), frameManagerGroup_);
  buttons->addWidget(stretchCheck_);
  for (QWidget* button : {static_cast<QWidget*>(previewButton_), static_cast<QWidget*>(interlaceSelectionButton_),
                          static_cast<QWidget*>(cropButton_)})
    buttons->addWidget(button);
  buttons->addStretch(1);
  lower->addLayout(buttons);
  manager->addLayout(lower, 1);
  page->addWidget(frameManagerGroup_, 1);

  interlaceSelectionButton_->setToolTip(tr("Mark every second frame"));
  cropButton_->setToolTip(tr("Remove the marked frames"));
  for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
           {fileLabel_, "AviFileLabel"},
           {frameCountLabel_, "AviFramesLabel"},
           {currentFrameLabel_, "AviCurrentFrameLabel"},
           {frameManagerGroup_, "FrameManagerGroup"},
           {framePreview_, "AviCurrentPreviewImage"},
           {frameList_, "lvFrames"},
           {stretchCheck_, "cbStretch"},
           {previewButton_, "LayerAviPreviewButton"},
           {interlaceSelectionButton_, "InterlaceSelectionButton"},
           {cropButton_, "CropAviButton"},
       })
    widget->setObjectName(QString::fromLatin1(name));
}

bool VideoLayerPage::eventFilter(QObject* watched, QEvent* e) {
  // Space ticks the current row's box here, rather than playing the
  // animation as elsewhere in the window.
  if (watched == frameList_ && e->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
    e->accept();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

kt58::FrameStore* VideoLayerPage::shownStore() const { return resource_ ? resource_->Store() : nullptr; }

int VideoLayerPage::selectedRow() const {
  const QList<QTreeWidgetItem*> rows = frameList_->selectedItems();
  return rows.isEmpty() ? -1 : frameList_->indexOfTopLevelItem(rows.first());
}

void VideoLayerPage::selectRow(int row) {
  QTreeWidgetItem* item = frameList_->topLevelItem(row);
  if (!item) return;
  ++selecting_;
  frameList_->setCurrentItem(item);
  --selecting_;
  frameList_->scrollToItem(item);
}

std::vector<bool> VideoLayerPage::marks() const {
  std::vector<bool> marks(static_cast<size_t>(frameList_->topLevelItemCount()));
  for (size_t i = 0; i < marks.size(); ++i)
    marks[i] = frameList_->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked;
  return marks;
}

void VideoLayerPage::showEmpty() {
  fileLabel_->setText(tr("File : "));
  frameCountLabel_->setText(tr("Total Frames : "));
  currentFrameLabel_->setText(tr("Current Frames : "));
  framePreview_->clear();
  frameList_->clear();
  enableButtons();
}

void VideoLayerPage::enableButtons() {
  const bool has_store = shownStore() != nullptr;
  const int rows = frameList_->topLevelItemCount();
  frameManagerGroup_->setEnabled(has_store);
  previewButton_->setEnabled(has_store && rows >= 2);
  interlaceSelectionButton_->setEnabled(has_store && rows >= 2);
  // The store is not rewritten under a running preview.
  cropButton_->setEnabled(has_store && rows >= 1 && !previewRunning_);
}

void VideoLayerPage::followSelection() {
  const kt58::Layer* layer = document_.SelectedLayer();
  kt58::ImageResource* selected = layer && layer->ImageRef && layer->ImageRef->Store() ? layer->ImageRef : nullptr;
  if (selected != resource_) showVideoLayerInfo(layer);
}

void VideoLayerPage::showVideoLayerInfo(const kt58::Layer* layer) {
  // Before anything else: the resource shown may be gone with the project
  // this page showed.
  resource_ = nullptr;
  shown_row_ = -1;
  endPreview();
  kt58::ImageResource* resource = layer ? layer->ImageRef : nullptr;
  kt58::FrameStore* store = resource ? resource->Store() : nullptr;
  if (!store) {
    showEmpty();
    return;
  }
  resource_ = resource;
  // A frame that cannot be read leaves the picture empty, never another
  // layer's frame.
  framePreview_->clear();
  fileLabel_->setText(tr("File : %1").arg(FileNameOnly(resource->SourceFileName)));
  frameCountLabel_->setText(tr("Total Frames : %1").arg(store->FrameCount));
  currentFrameLabel_->setText(tr("Current Frame : %1").arg(store->ReadCursor + 1));
  {
    const BusyCursor busy;
    frameList_->setUpdatesEnabled(false);
    ++selecting_;
    frameList_->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(store->FrameCount);
    for (int i = 0; i < store->FrameCount; ++i) {
      auto* row = new QTreeWidgetItem({QString::fromStdString(kt58::ZeroPad(i + 1, 4))});
      row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
      row->setCheckState(0, Qt::Unchecked);
      rows.append(row);
    }
    frameList_->addTopLevelItems(rows);
    --selecting_;
    if (!rows.isEmpty()) {
      // A cursor that names no row (after frames were removed) shows the
      // first frame.
      const int cursor = store->ReadCursor;
      const int row = cursor >= 0 && cursor < rows.size() ? cursor : 0;
      selectRow(row);
      showVideoFrame(row, true);
    }
    frameList_->setUpdatesEnabled(true);
  }
  enableButtons();
}

void VideoLayerPage::showVideoFrame(int index, bool force) {
  kt58::FrameStore* store = shownStore();
  if (!store || index < 0 || index >= frameList_->topLevelItemCount()) return;
  if (index == shown_row_ && !force) return;
  // Playback reads the store frame after frame from where it stands.
  if (store->FrameCount <= 0 || document_.playback().isPlaying()) return;
  kt58::WorkPicture picture;
  {
    // Reading by position moves the store's cursor and may read its header
    // anew: the worker does not read the store meanwhile.
    const ProjectChange change(document_);
    picture = store->ReadFrame(index);
  }
  if (!picture) return;  // not shown; the labels keep their values
  const QImage image = PictureImage(*picture);
  kt58::FreeWorkPicture(picture);
  framePreview_->setPixmap(QPixmap::fromImage(image));
  currentFrameLabel_->setText(tr("Current Frame : %1").arg(index + 1));
  shown_row_ = index;
  emit frameShown(index);
}

void VideoLayerPage::onFrameSelected() {
  if (selecting_ > 0 || !isVisible() || appTerminating()) return;
  showVideoFrame(selectedRow(), false);
}

void VideoLayerPage::onStretchToggled() { framePreview_->setScaledContents(stretchCheck_->isChecked()); }

void VideoLayerPage::interlaceSelection() {
  const int count = frameList_->topLevelItemCount();
  for (int i = 0; i < count; ++i)
    frameList_->topLevelItem(i)->setCheckState(0, i % 2 == 1 ? Qt::Checked : Qt::Unchecked);
  // Interlaced video keeps one frame of each field pair; the list ends
  // scrolled to its last row, wholly in view.
  if (count > 0) frameList_->scrollToItem(frameList_->topLevelItem(count - 1), QAbstractItemView::EnsureVisible);
}

void VideoLayerPage::cropFrames() {
  kt58::Layer* layer = document_.SelectedLayer();
  if (!shownStore() || previewRunning_ || !layer || layer->ImageRef != resource_) return;
  {
    const BusyCursor busy;
    // The page is shown afresh from the new store on the way (every row
    // unmarked).
    if (!document_.CropVideoFrames(layer, marks())) return;
  }
  if (QTreeWidgetItem* first = frameList_->topLevelItem(0)) {
    frameList_->setCurrentItem(first);
    frameList_->scrollToItem(first);
  }
}

// ---- preview

void VideoLayerPage::onPreviewClicked() {
  if (previewRunning_) {
    // Taken at the next turn of the event loop, not after the frame delay.
    previewStopRequested_ = true;
    pacer_.WakeNow();
    return;
  }
  const int rows = frameList_->topLevelItemCount();
  if (!shownStore() || rows < 2) return;
  int start = selectedRow();
  if (start < 0 || start == rows - 1) start = 0;
  previewButton_->setText(tr("Stop"));
  previewRunning_ = true;
  previewStopRequested_ = false;
  enableButtons();
  preview_row_ = start;
  pacer_.Start();
  previewStep();
}

void VideoLayerPage::previewStep() {
  try {
    const int row = preview_row_++;
    selectRow(row);
    // A marked frame is not shown, but it takes its delay like the others:
    // the preview keeps the video's timing.
    if (frameList_->topLevelItem(row)->checkState(0) != Qt::Checked) showVideoFrame(row, false);
  } catch (...) {
    endPreview();
    showMessage(tr("Preview Exception").toStdString());
    return;
  }
  pacer_.WaitFor(document_.project().FrameDelay);
}

void VideoLayerPage::previewTick() {
  if (!previewRunning_) return;
  if (previewStopRequested_ || document_.playback().isPlaying() || appTerminating() || !shownStore()) {
    endPreview();
    return;
  }
  if (!pacer_.Take(document_.project().FrameDelay)) return;
  // The preview runs once, up to the last row.
  if (preview_row_ >= frameList_->topLevelItemCount()) {
    endPreview();
    return;
  }
  previewStep();
}

void VideoLayerPage::endPreview() {
  pacer_.Stop();
  if (!previewRunning_) return;
  previewRunning_ = false;
  previewStopRequested_ = false;
  previewButton_->setText(tr("Preview"));
  enableButtons();
  showVideoFrame(selectedRow(), false);
}
