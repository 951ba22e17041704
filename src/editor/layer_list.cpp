// The "Layers" page: the master layers of the constructor frame, front layer
// first, and the layer commands (copy, remove, promote, demote, reset).
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "controls/packed_layout.h"
#include "editor/paint_box.h"
#include "model/image_ref.h"
#include "platform/text_helpers.h"

namespace {

// Qt repaints the list once when this goes out of scope, as a begin/end
// update pair did.
class ListUpdate {
 public:
  explicit ListUpdate(QWidget* list) : list_(list) { list_->setUpdatesEnabled(false); }
  ~ListUpdate() { list_->setUpdatesEnabled(true); }
  ListUpdate(const ListUpdate&) = delete;
  ListUpdate& operator=(const ListUpdate&) = delete;

 private:
  QWidget* list_;
};

constexpr int kLayerRole = Qt::UserRole + 1;

}  // namespace

void TMainForm::BuildLayerPage() {
  LayersSheet = new QWidget(PageControl1);
  auto* page = Packed(new QVBoxLayout(LayersSheet));
  auto* commands_strip = new QWidget(LayersSheet);
  commands_strip->setFixedHeight(25);
  auto* commands = new QHBoxLayout(commands_strip);
  commands->setContentsMargins(1, 1, 1, 1);
  LayerCommandsButton = new QToolButton(commands_strip);
  LayerCommandsButton->setText(QStringLiteral("Layer Commands"));
  LayerCommandsButton->setToolTip(QStringLiteral("Activates layer commands menu"));
  LayerCommandsButton->setFixedSize(147, 23);
  commands->addWidget(LayerCommandsButton);
  commands->addStretch(1);
  page->addWidget(commands_strip);

  auto* body = Packed(new QHBoxLayout);
  lvLayers = new QTreeWidget(LayersSheet);
  lvLayers->setColumnCount(3);
  lvLayers->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Size")});
  lvLayers->setRootIsDecorated(false);
  lvLayers->setUniformRowHeights(true);
  lvLayers->setSelectionMode(QAbstractItemView::SingleSelection);
  lvLayers->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvLayers->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvLayers->setContextMenuPolicy(Qt::CustomContextMenu);
  lvLayers->header()->setStretchLastSection(false);
  lvLayers->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lvLayers->setColumnWidth(1, 50);
  lvLayers->setColumnWidth(2, 80);
  // Grid lines between the cells. A style sheet for the items also takes
  // over their selection look, so that is given here too.
  lvLayers->setStyleSheet(QStringLiteral(
      "QTreeWidget::item { border-right: 1px solid #c0c0c0; border-bottom: 1px solid #c0c0c0; }"
      "QTreeWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
  body->addWidget(lvLayers, 1);

  auto* side = new QWidget(LayersSheet);
  side->setFixedWidth(29);
  auto* side_layout = new QVBoxLayout(side);
  side_layout->setContentsMargins(1, 1, 2, 1);
  PromoteLayerButton = new QToolButton(side);
  PromoteLayerButton->setArrowType(Qt::UpArrow);
  PromoteLayerButton->setToolTip(QStringLiteral("Move layer forward"));
  PromoteLayerButton->setFixedSize(26, 26);
  DemoteLayerButton = new QToolButton(side);
  DemoteLayerButton->setArrowType(Qt::DownArrow);
  DemoteLayerButton->setToolTip(QStringLiteral("Move layer back"));
  DemoteLayerButton->setFixedSize(26, 26);
  side_layout->addWidget(PromoteLayerButton);
  side_layout->addWidget(DemoteLayerButton);
  side_layout->addStretch(1);
  body->addWidget(side);
  page->addLayout(body, 1);
  PageControl1->addTab(LayersSheet, QStringLiteral("Layers"));

  LayerPopup = new QMenu(this);
  CopyLayer1 = LayerPopup->addAction(QStringLiteral("Copy Layer"));
  RemoveLayer1 = LayerPopup->addAction(QStringLiteral("Remove layer"));
  PromoteLayer1 = LayerPopup->addAction(QStringLiteral("Promote layer"));
  DemoteLayer1 = LayerPopup->addAction(QStringLiteral("Demote layer"));
  LayerPopup->addSeparator();
  ResetAllLayers1 = LayerPopup->addAction(QStringLiteral("Reset all layers"));
}

void TMainForm::ConnectLayerList() {
  connect(CopyLayer1, &QAction::triggered, this, [this] {
    CopySelectedLayer();
    RequestRepaint();
    Modified = true;
  });
  connect(RemoveLayer1, &QAction::triggered, this, [this] {
    RemoveSelectedLayer();
    RequestRepaint();
    SetModified(true);
  });
  auto promote = [this] {
    PromoteLayer();
    SetModified(true);
  };
  auto demote = [this] {
    DemoteLayer();
    SetModified(true);
  };
  connect(PromoteLayer1, &QAction::triggered, this, promote);
  connect(DemoteLayer1, &QAction::triggered, this, demote);
  connect(PromoteLayerButton, &QToolButton::clicked, this, promote);
  connect(DemoteLayerButton, &QToolButton::clicked, this, demote);
  connect(ResetAllLayers1, &QAction::triggered, this, [this] {
    if (Animation->ConstructorFrame) Animation->ConstructorFrame->ResetAllLayers();
    LoadLayerControls(Animation->SelectedLayer);
    SetModified(true);
    HideFocusRect();
    RequestRepaint();
    ShowFocusRect();
  });
  connect(LayerPopup, &QMenu::aboutToShow, this, [this] { UpdateControlStates(); });
  connect(LayerCommandsButton, &QToolButton::clicked, this, [this] {
    QWidget* panel = LayerCommandsButton->parentWidget();
    LayerPopup->popup(panel->mapToGlobal(QPoint(LayerCommandsButton->x(), LayerCommandsButton->height() + 1)));
  });
  connect(lvLayers, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { LayerPopup->popup(lvLayers->viewport()->mapToGlobal(at)); });
  lvLayers->installEventFilter(this);
  lvLayers->viewport()->installEventFilter(this);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == lvLayers->viewport() && e->type() == QEvent::MouseButtonRelease) {
    const bool playing = Animation->Playing;
    if (!playing) HideFocusRect();
    SyncSelectionFromList();
    if (!playing) ShowFocusRect();
    return false;
  }
  if (watched == lvLayers && e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    return LayerKeyDown(key->key(), key->modifiers());
  }
  if (watched == lvLayers && e->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->isAutoRepeat()) return false;
    return LayerKeyUp(key->key());
  }
  return QMainWindow::eventFilter(watched, e);
}

bool TMainForm::LayerKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
  if (Animation->Playing || !(modifiers & Qt::ControlModifier) || !Animation->SelectedLayer || !arrow) return false;
  NudgeLayer(key);
  return true;  // consumed: the list must not move its current row
}

bool TMainForm::LayerKeyUp(int key) {
  if (SelectedRow() < 0) return false;
  if (key == Qt::Key_Control && Nudging) {
    EndNudge();
    return true;
  }
  if (key == Qt::Key_Delete && Animation->SelectedLayer) {
    RemoveLayer1->trigger();
    return true;
  }
  return false;
}

int TMainForm::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = lvLayers->selectedItems();
  return selected.isEmpty() ? -1 : lvLayers->indexOfTopLevelItem(selected.first());
}

void TMainForm::SelectRow(int row) {
  QTreeWidgetItem* item = lvLayers->topLevelItem(row);
  if (!item) return;
  lvLayers->setCurrentItem(item);
  item->setSelected(true);
}

kt58::TFrameLayer* TMainForm::RowLayer(int row) const {
  const QTreeWidgetItem* item = lvLayers->topLevelItem(row);
  return item ? reinterpret_cast<kt58::TFrameLayer*>(item->data(0, kLayerRole).value<quintptr>()) : nullptr;
}

void TMainForm::AddLayerListItem(kt58::TFrameLayer* layer, bool at_top) {
  if (layer->LayerName.empty() && layer->ImageRef) layer->LayerName = kt58::DefaultLayerName(*layer->ImageRef);
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromStdString(layer->LayerName));
  item->setData(0, kLayerRole, QVariant::fromValue(reinterpret_cast<quintptr>(layer)));
  if (layer->ImageRef) {
    item->setText(1, QString::fromStdString(kt58::SourceTypeText(layer->ImageRef->SourceType)));
    item->setText(2, QString::fromStdString(kt58::Format("%d x %d", layer->ImageRef->Width, layer->ImageRef->Height)));
  } else {
    item->setText(1, QString::fromStdString(kt58::SourceTypeText(kt58::st_Unknown)));
    item->setText(2, QStringLiteral("0 x 0"));
  }
  if (at_top)
    lvLayers->insertTopLevelItem(0, item);
  else
    lvLayers->addTopLevelItem(item);
}

void TMainForm::RebuildLayerList() {
  {
    ListUpdate update(lvLayers);
    lvLayers->clear();
    FocusRectShown = false;
    pbConstr->SetFocusOutline(QRect());
    if (Animation->ConstructorFrame)
      for (const auto& layer : Animation->ConstructorFrame->Layers) AddLayerListItem(layer.get(), false);
    if (lvLayers->topLevelItemCount() > 0) SelectRow(0);
  }
}

void TMainForm::SyncSelectionFromList() {
  Animation->SelectedLayer = nullptr;
  const int row = SelectedRow();
  if (row >= 0) Animation->SelectedLayer = RowLayer(row);
  if (row >= 0) LoadLayerControls(Animation->SelectedLayer);
}

void TMainForm::PromoteLayer() {
  const int i = SelectedRow();
  if (i < 0) return;
  ListUpdate update(lvLayers);
  HideFocusRect();
  if (i > 0 && Animation->ConstructorFrame && i < Animation->ConstructorFrame->LayerCount()) {
    QTreeWidgetItem* item = lvLayers->takeTopLevelItem(i);
    lvLayers->insertTopLevelItem(i - 1, item);
    SelectRow(i - 1);
    std::swap(Animation->ConstructorFrame->Layers[static_cast<size_t>(i)],
              Animation->ConstructorFrame->Layers[static_cast<size_t>(i - 1)]);
  }
  OutlineSelectedLayer();
  RequestRepaint();
}

void TMainForm::DemoteLayer() {
  const int i = SelectedRow();
  if (i < 0) return;
  ListUpdate update(lvLayers);
  HideFocusRect();
  if (i < lvLayers->topLevelItemCount() - 1 && Animation->ConstructorFrame &&
      i + 1 < Animation->ConstructorFrame->LayerCount()) {
    QTreeWidgetItem* item = lvLayers->takeTopLevelItem(i);
    lvLayers->insertTopLevelItem(i + 1, item);
    SelectRow(i + 1);
    std::swap(Animation->ConstructorFrame->Layers[static_cast<size_t>(i)],
              Animation->ConstructorFrame->Layers[static_cast<size_t>(i + 1)]);
  }
  OutlineSelectedLayer();
  RequestRepaint();
}

void TMainForm::CopySelectedLayer() {
  const int row = SelectedRow();
  kt58::TFrameLayer* layer = row >= 0 ? RowLayer(row) : nullptr;
  if (!layer || !Animation->ConstructorFrame) return;
  {
    ListUpdate update(lvLayers);
    HideFocusRect();
    std::unique_ptr<kt58::TFrameLayer> copy = layer->CopyLayer();
    if (copy) {
      if (copy->ImageRef) ++copy->ImageRef->NameCounter;
      copy->OffsetX = 0;
      copy->OffsetY = 0;
      kt58::TFrameLayer* added = copy.get();
      auto& layers = Animation->ConstructorFrame->Layers;
      layers.insert(layers.begin(), std::move(copy));
      AddLayerListItem(added, true);
      SelectRow(0);
      Animation->SelectedLayer = added;
      ComputeSelectionRect();
      ShowFocusRect();
      UpdateStatusLine();
    }
  }
  SyncSelectionFromList();
  UpdateControlStates();
}

void TMainForm::RemoveSelectedLayer() {
  const int row = SelectedRow();
  kt58::TFrameLayer* layer = row >= 0 ? RowLayer(row) : nullptr;
  if (!layer || !Animation->ConstructorFrame) return;
  {
    ListUpdate update(lvLayers);
    HideFocusRect();
    Animation->ClearFrames();
    // ClearFrames lets events run; the list row still names the layer only
    // when nothing removed it meanwhile.
    if (Animation->ConstructorFrame && Animation->ConstructorFrame->IndexOf(layer) >= 0)
      Animation->ConstructorFrame->RemoveLayer(layer);
    int i = row;
    if (i == lvLayers->topLevelItemCount() - 1) --i;
    delete lvLayers->takeTopLevelItem(row);
    if (i >= 0 && i <= lvLayers->topLevelItemCount() - 1) SelectRow(i);
    Animation->SelectedLayer = nullptr;
    Animation->ComputeAutoFrameSize(Animation->ConstructorFrame.get());
    CenterFrame();
    RequestBackgroundClear();
    UpdateStatusLine();
  }
  SyncSelectionFromList();
  if (Animation->SelectedLayer) ShowFocusRect();
  UpdateControlStates();
}
