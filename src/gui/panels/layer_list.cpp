// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/layer_list.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/widgets/packed_layout.h"
#include "gui/document/document.h"
#include "model/animation.h"
#include "model/image_resource.h"
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

QAction* NamedAction(QMenu* menu, const char* caption, const char* name) {
  QAction* action = menu->addAction(QString::fromLatin1(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

LayerList::LayerList(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("LayersSheet"));
  auto* page = Packed(new QVBoxLayout(this));
  auto* commands_strip = new QWidget(this);
  commands_strip->setFixedHeight(25);
  auto* commands = new QHBoxLayout(commands_strip);
  commands->setContentsMargins(1, 1, 1, 1);
  LayerCommandsButton = new QToolButton(commands_strip);
  LayerCommandsButton->setObjectName(QStringLiteral("LayerCommandsButton"));
  LayerCommandsButton->setText(QStringLiteral("Layer Commands"));
  LayerCommandsButton->setToolTip(QStringLiteral("Activates layer commands menu"));
  LayerCommandsButton->setFixedSize(147, 23);
  commands->addWidget(LayerCommandsButton);
  commands->addStretch(1);
  page->addWidget(commands_strip);

  auto* body = Packed(new QHBoxLayout);
  lvLayers = new QTreeWidget(this);
  lvLayers->setObjectName(QStringLiteral("lvLayers"));
  lvLayers->setColumnCount(3);
  lvLayers->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Size")});
  lvLayers->setRootIsDecorated(false);
  lvLayers->setUniformRowHeights(true);
  lvLayers->setSelectionMode(QAbstractItemView::SingleSelection);
  lvLayers->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvLayers->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvLayers->setContextMenuPolicy(Qt::CustomContextMenu);
  lvLayers->setAcceptDrops(true);
  lvLayers->viewport()->setAcceptDrops(true);
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

  auto* side = new QWidget(this);
  side->setFixedWidth(29);
  auto* side_layout = new QVBoxLayout(side);
  side_layout->setContentsMargins(1, 1, 2, 1);
  PromoteLayerButton = new QToolButton(side);
  PromoteLayerButton->setObjectName(QStringLiteral("PromoteLayerButton"));
  PromoteLayerButton->setArrowType(Qt::UpArrow);
  PromoteLayerButton->setToolTip(QStringLiteral("Move layer forward"));
  PromoteLayerButton->setFixedSize(26, 26);
  DemoteLayerButton = new QToolButton(side);
  DemoteLayerButton->setObjectName(QStringLiteral("DemoteLayerButton"));
  DemoteLayerButton->setArrowType(Qt::DownArrow);
  DemoteLayerButton->setToolTip(QStringLiteral("Move layer back"));
  DemoteLayerButton->setFixedSize(26, 26);
  side_layout->addWidget(PromoteLayerButton);
  side_layout->addWidget(DemoteLayerButton);
  side_layout->addStretch(1);
  body->addWidget(side);
  page->addLayout(body, 1);

  LayerPopup = new QMenu(this);
  LayerPopup->setObjectName(QStringLiteral("LayerPopup"));
  CopyLayer1 = NamedAction(LayerPopup, "Copy Layer", "CopyLayer1");
  RemoveLayer1 = NamedAction(LayerPopup, "Remove layer", "RemoveLayer1");
  PromoteLayer1 = NamedAction(LayerPopup, "Promote layer", "PromoteLayer1");
  DemoteLayer1 = NamedAction(LayerPopup, "Demote layer", "DemoteLayer1");
  LayerPopup->addSeparator();
  ResetAllLayers1 = NamedAction(LayerPopup, "Reset all layers", "ResetAllLayers1");

  connect(CopyLayer1, &QAction::triggered, this, &LayerList::CopySelectedLayer);
  connect(RemoveLayer1, &QAction::triggered, this, &LayerList::RemoveSelectedLayer);
  connect(PromoteLayer1, &QAction::triggered, this, &LayerList::PromoteLayer);
  connect(DemoteLayer1, &QAction::triggered, this, &LayerList::DemoteLayer);
  connect(PromoteLayerButton, &QToolButton::clicked, this, &LayerList::PromoteLayer);
  connect(DemoteLayerButton, &QToolButton::clicked, this, &LayerList::DemoteLayer);
  connect(ResetAllLayers1, &QAction::triggered, this, &LayerList::ResetAllLayers);
  connect(LayerPopup, &QMenu::aboutToShow, this, &LayerList::UpdateControlStates);
  connect(LayerCommandsButton, &QToolButton::clicked, this, [this] {
    QWidget* panel = LayerCommandsButton->parentWidget();
    PopupLayerMenu(panel->mapToGlobal(QPoint(LayerCommandsButton->x(), LayerCommandsButton->height() + 1)));
  });
  connect(lvLayers, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupLayerMenu(lvLayers->viewport()->mapToGlobal(at)); });
  lvLayers->installEventFilter(this);
  lvLayers->viewport()->installEventFilter(this);

  connect(&document_, &Document::layersChanged, this, [this] {
    RebuildLayerList();
    UpdateControlStates();
  });
  connect(&document_, &Document::projectReplaced, this, [this] {
    RebuildLayerList();
    UpdateControlStates();
  });
  connect(&document_, &Document::selectionChanged, this, [this] {
    const kt58::TAnimation& a = document_.Animation();
    const int row = a.ConstructorFrame ? a.ConstructorFrame->IndexOf(document_.SelectedLayer()) : -1;
    if (row >= 0 && row != SelectedRow()) SelectRow(row);
  });
  UpdateControlStates();
}

void LayerList::PopupLayerMenu(const QPoint& global) { LayerPopup->popup(global); }

void LayerList::UpdateControlStates() {
  const kt58::TAnimation& a = document_.Animation();
  const bool playing = a.Playing;
  const int layers = a.LayerCount();
  LayerCommandsButton->setEnabled(!playing);
  PromoteLayerButton->setEnabled(!playing && layers > 1);
  DemoteLayerButton->setEnabled(!playing && layers > 1);
  CopyLayer1->setEnabled(layers > 0 && !playing);
  RemoveLayer1->setEnabled(layers > 0 && !playing);
  ResetAllLayers1->setEnabled(layers > 0 && !playing);
  PromoteLayer1->setEnabled(layers > 1 && !playing);
  DemoteLayer1->setEnabled(layers > 1 && !playing);
}

bool LayerList::eventFilter(QObject* watched, QEvent* e) {
  if (watched == lvLayers->viewport()) {
    switch (e->type()) {
      case QEvent::MouseButtonRelease:
        SyncSelectionFromList();
        return false;
      // Files dropped on the list become layers like those dropped on the
      // view (at the frame's origin), and refused files are explained.
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(e);
        if (document_.CanDrop(drag->mimeData()))
          drag->acceptProposedAction();
        else
          drag->ignore();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        if (!document_.CanDrop(drop->mimeData())) return true;
        drop->acceptProposedAction();
        document_.DropFiles(drop->mimeData(), std::nullopt);
        return true;
      }
      default:
        return false;
    }
  }
  if (watched == lvLayers && e->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (!key->isAutoRepeat() && key->key() == Qt::Key_Delete && SelectedRow() >= 0 && document_.SelectedLayer()) {
      RemoveLayer1->trigger();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

int LayerList::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = lvLayers->selectedItems();
  return selected.isEmpty() ? -1 : lvLayers->indexOfTopLevelItem(selected.first());
}

void LayerList::SelectRow(int row) {
  QTreeWidgetItem* item = lvLayers->topLevelItem(row);
  if (!item) return;
  lvLayers->setCurrentItem(item);
  item->setSelected(true);
}

kt58::Layer* LayerList::RowLayer(int row) const {
  const QTreeWidgetItem* item = lvLayers->topLevelItem(row);
  return item ? reinterpret_cast<kt58::Layer*>(item->data(0, kLayerRole).value<quintptr>()) : nullptr;
}

void LayerList::AddLayerListItem(kt58::Layer* layer, bool at_top) {
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

void LayerList::RebuildLayerList() {
  ListUpdate update(lvLayers);
  lvLayers->clear();
  const kt58::TAnimation& a = document_.Animation();
  if (!a.ConstructorFrame) return;
  for (const auto& layer : a.ConstructorFrame->Layers) AddLayerListItem(layer.get(), false);
  const int row = a.ConstructorFrame->IndexOf(document_.SelectedLayer());
  if (row >= 0) SelectRow(row);
}

void LayerList::SyncSelectionFromList() {
  const int row = SelectedRow();
  document_.SelectLayer(row >= 0 ? RowLayer(row) : nullptr);
}

void LayerList::PromoteLayer() {
  const int row = SelectedRow();
  if (row >= 0) document_.MoveLayer(RowLayer(row), -1);
}

void LayerList::DemoteLayer() {
  const int row = SelectedRow();
  if (row >= 0) document_.MoveLayer(RowLayer(row), +1);
}

void LayerList::CopySelectedLayer() {
  const int row = SelectedRow();
  if (row >= 0) document_.CopyLayer(RowLayer(row));
}

void LayerList::RemoveSelectedLayer() {
  const int row = SelectedRow();
  if (row >= 0) document_.RemoveLayer(RowLayer(row));
}

void LayerList::ResetAllLayers() { document_.ResetAllLayers(); }
