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

  void AddLayerListItem(kt58::Layer* layer, bool at_top);
  // Rows from the model; the selected layer's row selected.
  void RebuildLayerList();
  // The selected row's layer becomes the document's selection (none without
  // a selected row).
  void SyncSelectionFromList();
  void PromoteLayer();
  void DemoteLayer();
  void CopySelectedLayer();
  void RemoveSelectedLayer();
  void ResetAllLayers();
  kt58::Layer* RowLayer(int row) const;
  int SelectedRow() const;
  void UpdateControlStates();
  // The layer menu at a point of the screen (also the view's right button).
  void PopupLayerMenu(const QPoint& global);

  QToolButton* LayerCommandsButton;
  QToolButton *PromoteLayerButton, *DemoteLayerButton;
  QTreeWidget* lvLayers;
  QMenu* LayerPopup;
  QAction *CopyLayer1, *RemoveLayer1, *PromoteLayer1, *DemoteLayer1, *ResetAllLayers1;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void SelectRow(int row);

  Document& document_;
};
