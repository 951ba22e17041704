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
#include "engine/ui_services.h"
#include "model/animation.h"
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
  BuildPage();

  lvFrames->installEventFilter(this);
  connect(lvFrames, &QTreeWidget::itemSelectionChanged, this, &VideoLayerPage::lvFramesSelectItem);
  connect(cbStretch, &QCheckBox::clicked, this, &VideoLayerPage::cbStretchClick);
  connect(InterlaceSelectionButton, &QToolButton::clicked, this, &VideoLayerPage::InterlaceSelectionButtonClick);
  connect(LayerAviPreviewButton, &QPushButton::clicked, this, &VideoLayerPage::LayerAviPreviewButtonClick);
  connect(CropAviButton, &QPushButton::clicked, this, &VideoLayerPage::CropAviButtonClick);

  // Every new selection and every project shows afresh; other changes of
  // the layers only when the selected layer's file is another one now.
  for (auto signal : {&Document::selectionChanged, &Document::projectReplaced})
    connect(&document_, signal, this, [this] { ShowVideoLayerInfo(document_.SelectedLayer()); });
  connect(&document_, &Document::layersChanged, this, &VideoLayerPage::FollowSelection);
  connect(&document_, &Document::videoFramesChanged, this, [this](kt58::ImageResource* resource) {
    if (resource == resource_) ShowVideoLayerInfo(document_.SelectedLayer());
  });
  ShowEmpty();
}

void VideoLayerPage::BuildPage() {
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(4, 4, 4, 4);

  auto* info = new QGroupBox(QStringLiteral("  General Information  "), this);
  auto* info_rows = new QVBoxLayout(info);
  AviFileLabel = new QLabel(info);
  AviFramesLabel = new QLabel(info);
  AviCurrentFrameLabel = new QLabel(info);
  for (QLabel* label : {AviFileLabel, AviFramesLabel, AviCurrentFrameLabel}) {
    // A long file name is cut at the page's edge rather than widening it.
    label->setMinimumWidth(1);
    info_rows->addWidget(label);
  }
  page->addWidget(info);

  FrameManagerGroup = new QGroupBox(QStringLiteral("  Video Frame Manager  "), this);
  auto* manager = new QVBoxLayout(FrameManagerGroup);
  AviCurrentPreviewImage = new QLabel(FrameManagerGroup);
  AviCurrentPreviewImage->setAlignment(Qt::AlignCenter);
  AviCurrentPreviewImage->setAutoFillBackground(true);
  QPalette black = AviCurrentPreviewImage->palette();
  black.setColor(QPalette::Window, Qt::black);
  AviCurrentPreviewImage->setPalette(black);
  AviCurrentPreviewImage->setScaledContents(true);
  // The frame takes the room it is given; a large one never widens the page.
  AviCurrentPreviewImage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  AviCurrentPreviewImage->setFixedHeight(120);
  manager->addWidget(AviCurrentPreviewImage);

  auto* lower = new QHBoxLayout;
  lvFrames = new QTreeWidget(FrameManagerGroup);
  lvFrames->setHeaderLabels({QStringLiteral("Frame")});
  lvFrames->setRootIsDecorated(false);
  lvFrames->setUniformRowHeights(true);
  lvFrames->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvFrames->setSelectionMode(QAbstractItemView::SingleSelection);
  lvFrames->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvFrames->header()->setSectionResizeMode(QHeaderView::Stretch);
  lower->addWidget(lvFrames, 1);

  auto* buttons = new QVBoxLayout;
  cbStretch = new QCheckBox(QStringLiteral("Stretch"), FrameManagerGroup);
  cbStretch->setChecked(true);
  LayerAviPreviewButton = new QPushButton(QStringLiteral("Preview"), FrameManagerGroup);
  InterlaceSelectionButton = new QToolButton(FrameManagerGroup);
  InterlaceSelectionButton->setText(QStringLiteral("Interlaced"));
  InterlaceSelectionButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  InterlaceSelectionButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  CropAviButton = new QPushButton(QStringLiteral("Crop"), FrameManagerGroup);
  buttons->addWidget(cbStretch);
  for (QWidget* button : {static_cast<QWidget*>(LayerAviPreviewButton), static_cast<QWidget*>(InterlaceSelectionButton),
                          static_cast<QWidget*>(CropAviButton)})
    buttons->addWidget(button);
  buttons->addStretch(1);
  lower->addLayout(buttons);
  manager->addLayout(lower, 1);
  page->addWidget(FrameManagerGroup, 1);

  InterlaceSelectionButton->setToolTip(QStringLiteral("Mark every second frame"));
  CropAviButton->setToolTip(QStringLiteral("Remove the marked frames"));
  for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
           {AviFileLabel, "AviFileLabel"},
           {AviFramesLabel, "AviFramesLabel"},
           {AviCurrentFrameLabel, "AviCurrentFrameLabel"},
           {FrameManagerGroup, "FrameManagerGroup"},
           {AviCurrentPreviewImage, "AviCurrentPreviewImage"},
           {lvFrames, "lvFrames"},
           {cbStretch, "cbStretch"},
           {LayerAviPreviewButton, "LayerAviPreviewButton"},
           {InterlaceSelectionButton, "InterlaceSelectionButton"},
           {CropAviButton, "CropAviButton"},
       })
    widget->setObjectName(QString::fromLatin1(name));
}

bool VideoLayerPage::eventFilter(QObject* watched, QEvent* e) {
  // Space ticks the current row's box here, rather than playing the
  // animation as elsewhere in the window.
  if (watched == lvFrames && e->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
    e->accept();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

kt58::FrameStore* VideoLayerPage::ShownStore() const { return resource_ ? resource_->Store() : nullptr; }

int VideoLayerPage::SelectedRow() const {
  const QList<QTreeWidgetItem*> rows = lvFrames->selectedItems();
  return rows.isEmpty() ? -1 : lvFrames->indexOfTopLevelItem(rows.first());
}

void VideoLayerPage::SelectRow(int row) {
  QTreeWidgetItem* item = lvFrames->topLevelItem(row);
  if (!item) return;
  ++selecting_;
  lvFrames->setCurrentItem(item);
  --selecting_;
  lvFrames->scrollToItem(item);
}

std::vector<bool> VideoLayerPage::Marks() const {
  std::vector<bool> marks(static_cast<size_t>(lvFrames->topLevelItemCount()));
  for (size_t i = 0; i < marks.size(); ++i)
    marks[i] = lvFrames->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked;
  return marks;
}

void VideoLayerPage::ShowEmpty() {
  AviFileLabel->setText(QStringLiteral("File : "));
  AviFramesLabel->setText(QStringLiteral("Total Frames : "));
  AviCurrentFrameLabel->setText(QStringLiteral("Current Frames : "));
  AviCurrentPreviewImage->clear();
  lvFrames->clear();
  EnableButtons();
}

void VideoLayerPage::EnableButtons() {
  const bool has_store = ShownStore() != nullptr;
  const int rows = lvFrames->topLevelItemCount();
  FrameManagerGroup->setEnabled(has_store);
  LayerAviPreviewButton->setEnabled(has_store && rows >= 2);
  InterlaceSelectionButton->setEnabled(has_store && rows >= 2);
  // The store is not rewritten under a running preview.
  CropAviButton->setEnabled(has_store && rows >= 1 && !PreviewRunning);
}

void VideoLayerPage::FollowSelection() {
  const kt58::Layer* layer = document_.SelectedLayer();
  kt58::ImageResource* selected = layer && layer->ImageRef && layer->ImageRef->Store() ? layer->ImageRef : nullptr;
  if (selected != resource_) ShowVideoLayerInfo(layer);
}

void VideoLayerPage::ShowVideoLayerInfo(const kt58::Layer* layer) {
  // Before anything else: the resource shown may be gone with the project
  // this page showed.
  resource_ = nullptr;
  shown_row_ = -1;
  EndPreview();
  kt58::ImageResource* resource = layer ? layer->ImageRef : nullptr;
  kt58::FrameStore* store = resource ? resource->Store() : nullptr;
  if (!store) {
    ShowEmpty();
    return;
  }
  resource_ = resource;
  // A frame that cannot be read leaves the picture empty, never another
  // layer's frame.
  AviCurrentPreviewImage->clear();
  AviFileLabel->setText(QStringLiteral("File : %1").arg(FileNameOnly(resource->SourceFileName)));
  AviFramesLabel->setText(QStringLiteral("Total Frames : %1").arg(store->FrameCount));
  AviCurrentFrameLabel->setText(QStringLiteral("Current Frame : %1").arg(store->ReadCursor + 1));
  {
    const kt58::BusyCursor busy;
    lvFrames->setUpdatesEnabled(false);
    ++selecting_;
    lvFrames->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(store->FrameCount);
    for (int i = 0; i < store->FrameCount; ++i) {
      auto* row = new QTreeWidgetItem({QString::fromStdString(kt58::ZeroPad(i + 1, 4))});
      row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
      row->setCheckState(0, Qt::Unchecked);
      rows.append(row);
    }
    lvFrames->addTopLevelItems(rows);
    --selecting_;
    if (!rows.isEmpty()) {
      // A cursor that names no row (after frames were removed) shows the
      // first frame.
      const int cursor = store->ReadCursor;
      const int row = cursor >= 0 && cursor < rows.size() ? cursor : 0;
      SelectRow(row);
      ShowVideoFrame(row, true);
    }
    lvFrames->setUpdatesEnabled(true);
  }
  EnableButtons();
}

void VideoLayerPage::ShowVideoFrame(int index, bool force) {
  kt58::FrameStore* store = ShownStore();
  if (!store || index < 0 || index >= lvFrames->topLevelItemCount()) return;
  if (index == shown_row_ && !force) return;
  // Playback reads the store frame after frame from where it stands.
  if (store->FrameCount <= 0 || document_.Animation().Playing) return;
  kt58::WorkPicture picture = store->ReadFrame(index);
  if (!picture) return;  // not shown; the labels keep their values
  const QImage image = PictureImage(*picture);
  kt58::FreeWorkPicture(picture);
  AviCurrentPreviewImage->setPixmap(QPixmap::fromImage(image));
  AviCurrentFrameLabel->setText(QStringLiteral("Current Frame : %1").arg(index + 1));
  shown_row_ = index;
  emit frameShown(index);
}

void VideoLayerPage::lvFramesSelectItem() {
  if (selecting_ > 0 || !isVisible() || kt58::Ui().Terminating()) return;
  ShowVideoFrame(SelectedRow(), false);
}

void VideoLayerPage::cbStretchClick() { AviCurrentPreviewImage->setScaledContents(cbStretch->isChecked()); }

void VideoLayerPage::InterlaceSelectionButtonClick() {
  const int count = lvFrames->topLevelItemCount();
  for (int i = 0; i < count; ++i)
    lvFrames->topLevelItem(i)->setCheckState(0, i % 2 == 1 ? Qt::Checked : Qt::Unchecked);
  // Interlaced video keeps one frame of each field pair; the list ends
  // scrolled to its last row, wholly in view.
  if (count > 0) lvFrames->scrollToItem(lvFrames->topLevelItem(count - 1), QAbstractItemView::EnsureVisible);
}

void VideoLayerPage::CropAviButtonClick() {
  kt58::Layer* layer = document_.SelectedLayer();
  if (!ShownStore() || PreviewRunning || !layer || layer->ImageRef != resource_) return;
  {
    const kt58::BusyCursor busy;
    // The page is shown afresh from the new store on the way (every row
    // unmarked).
    if (!document_.CropVideoFrames(layer, Marks())) return;
  }
  if (QTreeWidgetItem* first = lvFrames->topLevelItem(0)) {
    lvFrames->setCurrentItem(first);
    lvFrames->scrollToItem(first);
  }
}

// ---- preview

void VideoLayerPage::LayerAviPreviewButtonClick() {
  if (PreviewRunning) {
    // Taken at the next turn of the event loop, not after the frame delay.
    PreviewStopRequested = true;
    pacer_.WakeNow();
    return;
  }
  const int rows = lvFrames->topLevelItemCount();
  if (!ShownStore() || rows < 2) return;
  int start = SelectedRow();
  if (start < 0 || start == rows - 1) start = 0;
  LayerAviPreviewButton->setText(QStringLiteral("Stop"));
  PreviewRunning = true;
  PreviewStopRequested = false;
  EnableButtons();
  preview_row_ = start;
  pacer_.Start();
  PreviewStep();
}

void VideoLayerPage::PreviewStep() {
  try {
    const int row = preview_row_++;
    SelectRow(row);
    // A marked frame is not shown, but it takes its delay like the others:
    // the preview keeps the video's timing.
    if (lvFrames->topLevelItem(row)->checkState(0) != Qt::Checked) ShowVideoFrame(row, false);
  } catch (...) {
    EndPreview();
    kt58::Ui().ShowMessage("Preview Exception");
    return;
  }
  pacer_.WaitFor(document_.Animation().FrameDelay);
}

void VideoLayerPage::PreviewTick() {
  if (!PreviewRunning) return;
  const kt58::TAnimation& a = document_.Animation();
  if (PreviewStopRequested || a.Playing || kt58::Ui().Terminating() || !ShownStore()) {
    EndPreview();
    return;
  }
  if (!pacer_.Take(a.FrameDelay)) return;
  // The preview runs once, up to the last row.
  if (preview_row_ >= lvFrames->topLevelItemCount()) {
    EndPreview();
    return;
  }
  PreviewStep();
}

void VideoLayerPage::EndPreview() {
  pacer_.Stop();
  if (!PreviewRunning) return;
  PreviewRunning = false;
  PreviewStopRequested = false;
  LayerAviPreviewButton->setText(QStringLiteral("Preview"));
  EnableButtons();
  ShowVideoFrame(SelectedRow(), false);
  emit previewEnded();
}
