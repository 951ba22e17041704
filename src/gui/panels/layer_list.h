// SPDX-License-Identifier: GPL-3.0-or-later
// The "Layers" page: the master layers of the constructor frame, front layer
// first, and the layer commands (copy, remove, promote, demote, reset). The
// rows are made from the model whenever its layers change, so the list and
// the model never disagree.
#pragma once

#include <QWidget>

class Document;
class QAction;
class QMenu;
class QToolButton;
class QTreeWidget;
namespace kt58 {
class Layer;
}

class LayerList final : public QWidget {
  Q_OBJECT
 public:
  LayerList(Document& document, QWidget* parent = nullptr);

  void addLayerItem(kt58::Layer* layer, bool at_top);
  // Rows from the model; the selected layer's row selected.
  void rebuildLayerList();
  // The selected row's layer becomes the document's selection (none without
  // a selected row).
  void syncSelectionFromList();
  void promoteLayer();
  void demoteLayer();
  void copySelectedLayer();
  void removeSelectedLayer();
  void resetAllLayers();
  kt58::Layer* rowLayer(int row) const;
  int selectedRow() const;
  void updateControlStates();
  // The layer menu at a point of the screen (also the view's right button).
  void popupLayerMenu(const QPoint& global);

  QToolButton* layerCommandsButton_;
  QToolButton *promoteButton_, *demoteButton_;
  QTreeWidget* layerTree_;
  QMenu* layerMenu_;
  QAction *copyLayerAction_, *removeLayerAction_, *promoteLayerAction_, *demoteLayerAction_, *resetAllLayersAction_;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void selectRow(int row);

  Document& document_;
};
