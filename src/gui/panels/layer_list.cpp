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
#include "gui/widgets/named_action.h"
#include "model/project.h"
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

}  // namespace

LayerList::LayerList(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("LayersSheet"));
  auto* page = Packed(new QVBoxLayout(this));
  auto* commands_strip = new QWidget(this);
  commands_strip->setFixedHeight(25);
  auto* commands = new QHBoxLayout(commands_strip);
  commands->setContentsMargins(1, 1, 1, 1);
  layerCommandsButton_ = new QToolButton(commands_strip);
  layerCommandsButton_->setObjectName(QStringLiteral("LayerCommandsButton"));
  layerCommandsButton_->setText(tr("Layer Commands"));
  layerCommandsButton_->setToolTip(tr("Activates layer commands menu"));
  layerCommandsButton_->setFixedSize(147, 23);
  commands->addWidget(layerCommandsButton_);
  commands->addStretch(1);
  page->addWidget(commands_strip);

  auto* body = Packed(new QHBoxLayout);
  layerTree_ = new QTreeWidget(this);
  layerTree_->setObjectName(QStringLiteral("lvLayers"));
  layerTree_->setColumnCount(3);
  layerTree_->setHeaderLabels({tr("Name"), tr("Type"), tr("Size")});
  layerTree_->setRootIsDecorated(false);
  layerTree_->setUniformRowHeights(true);
  layerTree_->setSelectionMode(QAbstractItemView::SingleSelection);
  layerTree_->setSelectionBehavior(QAbstractItemView::SelectRows);
  layerTree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layerTree_->setContextMenuPolicy(Qt::CustomContextMenu);
  layerTree_->setAcceptDrops(true);
  layerTree_->viewport()->setAcceptDrops(true);
  layerTree_->header()->setStretchLastSection(false);
  layerTree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  // The type in words ("Animated GIF") and the size take what they need;
  // the name has the rest.
  layerTree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  layerTree_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  // Grid lines between the cells. A style sheet for the items also takes
  // over their selection look, so that is given here too.
  layerTree_->setStyleSheet(QStringLiteral(
      "QTreeWidget::item { border-right: 1px solid #c0c0c0; border-bottom: 1px solid #c0c0c0; }"
      "QTreeWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
  body->addWidget(layerTree_, 1);

  auto* side = new QWidget(this);
  side->setFixedWidth(29);
  auto* side_layout = new QVBoxLayout(side);
  side_layout->setContentsMargins(1, 1, 2, 1);
  promoteButton_ = new QToolButton(side);
  promoteButton_->setObjectName(QStringLiteral("PromoteLayerButton"));
  promoteButton_->setArrowType(Qt::UpArrow);
  promoteButton_->setToolTip(tr("Move layer forward"));
  promoteButton_->setFixedSize(26, 26);
  demoteButton_ = new QToolButton(side);
  demoteButton_->setObjectName(QStringLiteral("DemoteLayerButton"));
  demoteButton_->setArrowType(Qt::DownArrow);
  demoteButton_->setToolTip(tr("Move layer back"));
  demoteButton_->setFixedSize(26, 26);
  side_layout->addWidget(promoteButton_);
  side_layout->addWidget(demoteButton_);
  side_layout->addStretch(1);
  body->addWidget(side);
  page->addLayout(body, 1);

  layerMenu_ = new QMenu(this);
  layerMenu_->setObjectName(QStringLiteral("LayerPopup"));
  copyLayerAction_ = kt58::app::NamedAction(layerMenu_, tr("Copy Layer"), "CopyLayer1");
  layerMenu_->addAction(copyLayerAction_);
  removeLayerAction_ = kt58::app::NamedAction(layerMenu_, tr("Remove layer"), "RemoveLayer1");
  // Shown in the menu; the key itself is the layer list's (Delete typed
  // elsewhere, in a text box or the Explorer, never removes a layer).
  removeLayerAction_->setShortcut(QKeySequence(Qt::Key_Delete));
  removeLayerAction_->setShortcutContext(Qt::WidgetShortcut);
  layerMenu_->addAction(removeLayerAction_);
  promoteLayerAction_ = kt58::app::NamedAction(layerMenu_, tr("Promote layer"), "PromoteLayer1");
  layerMenu_->addAction(promoteLayerAction_);
  demoteLayerAction_ = kt58::app::NamedAction(layerMenu_, tr("Demote layer"), "DemoteLayer1");
  layerMenu_->addAction(demoteLayerAction_);
  layerMenu_->addSeparator();
  resetAllLayersAction_ = kt58::app::NamedAction(layerMenu_, tr("Reset all layers"), "ResetAllLayers1");
  layerMenu_->addAction(resetAllLayersAction_);

  connect(copyLayerAction_, &QAction::triggered, this, &LayerList::copySelectedLayer);
  connect(removeLayerAction_, &QAction::triggered, this, &LayerList::removeSelectedLayer);
  connect(promoteLayerAction_, &QAction::triggered, this, &LayerList::promoteLayer);
  connect(demoteLayerAction_, &QAction::triggered, this, &LayerList::demoteLayer);
  connect(promoteButton_, &QToolButton::clicked, this, &LayerList::promoteLayer);
  connect(demoteButton_, &QToolButton::clicked, this, &LayerList::demoteLayer);
  connect(resetAllLayersAction_, &QAction::triggered, this, &LayerList::resetAllLayers);
  connect(layerMenu_, &QMenu::aboutToShow, this, &LayerList::updateControlStates);
  connect(layerCommandsButton_, &QToolButton::clicked, this, [this] {
    QWidget* panel = layerCommandsButton_->parentWidget();
    popupLayerMenu(panel->mapToGlobal(QPoint(layerCommandsButton_->x(), layerCommandsButton_->height() + 1)));
  });
  connect(layerTree_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popupLayerMenu(layerTree_->viewport()->mapToGlobal(at)); });
  layerTree_->installEventFilter(this);
  layerTree_->viewport()->installEventFilter(this);

  connect(&document_, &Document::layersChanged, this, [this] {
    rebuildLayerList();
    updateControlStates();
  });
  connect(&document_, &Document::projectReplaced, this, [this] {
    rebuildLayerList();
    updateControlStates();
  });
  connect(&document_, &Document::selectionChanged, this, [this] {
    const kt58::Project& a = document_.project();
    const int row = a.ConstructorFrame ? a.ConstructorFrame->IndexOf(document_.SelectedLayer()) : -1;
    if (row >= 0 && row != selectedRow()) selectRow(row);
  });
  updateControlStates();
}

void LayerList::popupLayerMenu(const QPoint& global) { layerMenu_->popup(global); }

void LayerList::updateControlStates() {
  const kt58::Project& a = document_.project();
  const bool playing = document_.playback().isPlaying();
  const int layers = a.LayerCount();
  layerCommandsButton_->setEnabled(!playing);
  promoteButton_->setEnabled(!playing && layers > 1);
  demoteButton_->setEnabled(!playing && layers > 1);
  copyLayerAction_->setEnabled(layers > 0 && !playing);
  removeLayerAction_->setEnabled(layers > 0 && !playing);
  resetAllLayersAction_->setEnabled(layers > 0 && !playing);
  promoteLayerAction_->setEnabled(layers > 1 && !playing);
  demoteLayerAction_->setEnabled(layers > 1 && !playing);
}

bool LayerList::eventFilter(QObject* watched, QEvent* e) {
  if (watched == layerTree_->viewport()) {
    switch (e->type()) {
      case QEvent::MouseButtonRelease:
        syncSelectionFromList();
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
  if (watched == layerTree_ && e->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (!key->isAutoRepeat() && key->key() == Qt::Key_Delete && selectedRow() >= 0 && document_.SelectedLayer()) {
      removeLayerAction_->trigger();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

int LayerList::selectedRow() const {
  const QList<QTreeWidgetItem*> selected = layerTree_->selectedItems();
  return selected.isEmpty() ? -1 : layerTree_->indexOfTopLevelItem(selected.first());
}

void LayerList::selectRow(int row) {
  QTreeWidgetItem* item = layerTree_->topLevelItem(row);
  if (!item) return;
  layerTree_->setCurrentItem(item);
  item->setSelected(true);
}

kt58::Layer* LayerList::rowLayer(int row) const {
  const QTreeWidgetItem* item = layerTree_->topLevelItem(row);
  return item ? reinterpret_cast<kt58::Layer*>(item->data(0, kLayerRole).value<quintptr>()) : nullptr;
}

void LayerList::addLayerItem(kt58::Layer* layer, bool at_top) {
  if (layer->LayerName.empty() && layer->ImageRef) layer->LayerName = kt58::DefaultLayerName(*layer->ImageRef);
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromStdString(layer->LayerName));
  item->setData(0, kLayerRole, QVariant::fromValue(reinterpret_cast<quintptr>(layer)));
  if (layer->ImageRef) {
    item->setText(1, QString::fromStdString(kt58::SourceTypeLabel(layer->ImageRef->SourceType)));
    item->setText(2, QString::fromStdString(kt58::Format("%d x %d", layer->ImageRef->Width, layer->ImageRef->Height)));
  } else {
    item->setText(1, QString::fromStdString(kt58::SourceTypeLabel(kt58::st_Unknown)));
    item->setText(2, QStringLiteral("0 x 0"));
  }
  if (at_top)
    layerTree_->insertTopLevelItem(0, item);
  else
    layerTree_->addTopLevelItem(item);
}

void LayerList::rebuildLayerList() {
  ListUpdate update(layerTree_);
  layerTree_->clear();
  const kt58::Project& a = document_.project();
  if (!a.ConstructorFrame) return;
  for (const auto& layer : a.ConstructorFrame->Layers) addLayerItem(layer.get(), false);
  const int row = a.ConstructorFrame->IndexOf(document_.SelectedLayer());
  if (row >= 0) selectRow(row);
}

void LayerList::syncSelectionFromList() {
  const int row = selectedRow();
  document_.SelectLayer(row >= 0 ? rowLayer(row) : nullptr);
}

void LayerList::promoteLayer() {
  const int row = selectedRow();
  if (row >= 0) document_.MoveLayer(rowLayer(row), -1);
}

void LayerList::demoteLayer() {
  const int row = selectedRow();
  if (row >= 0) document_.MoveLayer(rowLayer(row), +1);
}

void LayerList::copySelectedLayer() {
  const int row = selectedRow();
  if (row >= 0) document_.CopyLayer(rowLayer(row));
}

void LayerList::removeSelectedLayer() {
  const int row = selectedRow();
  if (row >= 0) document_.RemoveLayer(rowLayer(row));
}

void LayerList::resetAllLayers() { document_.ResetAllLayers(); }
