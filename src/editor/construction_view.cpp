// The construction view: the frame centred in pbConstr, the selected layer's
// dotted outline, dragging and nudging the selected layer, and adding layers
// from image and video files.
#include <QApplication>
#include <algorithm>
#include <cstdint>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "app/main_form.h"
#include "controls/kesh_integer_edit.h"
#include "editor/paint_box.h"
#include "engine/ui_services.h"
#include "model/image_ref.h"

void TMainForm::ConnectConstructionView() {
  pbConstr->OnMouseDown = [this](QMouseEvent* e) { MouseDown(e); };
  pbConstr->OnMouseMove = [this](QMouseEvent* e) { MouseMove(e); };
  pbConstr->OnMouseUp = [this](QMouseEvent* e) { MouseUp(e); };
  pbConstr->OnDragOver = [this](const QMimeData* data) { return DragOver(data); };
  pbConstr->OnDragDrop = [this](const QMimeData* data) { DragDrop(data); };
}

void TMainForm::PaintConstruction() {
  if (kt58::Ui().Terminating() || PaintInProgress) return;
  PaintInProgress = true;
  try {
    if (ClearBackgroundPending) {
      pbConstr->FillCanvas(Animation->BackgroundColor);
      ClearBackgroundPending = false;
    }
    // A generated frame may have been freed since it was made current.
    const kt58::TLayeredFrame* frame =
        Animation->OwnsFrame(Animation->CurrentFrame) ? Animation->CurrentFrame : Animation->ConstructorFrame.get();
    Animation->DrawFrame(frame, DrawOrigin.x(), DrawOrigin.y());
    if (!Animation->Playing) {
      const kt58::TFrameSize size = Animation->GetFrameSize();
      if (size.Width != 0 && size.Height != 0)
        pbConstr->DrawOutline(QRect(DrawOrigin.x() - 1, DrawOrigin.y() - 1, size.Width + 2, size.Height + 2),
                              0xFFFFFF);
    }
    pbConstr->SetFocusOutline(FocusRectShown ? SelectionRect : QRect());
  } catch (...) {
    // The view stays as far as it was drawn.
  }
  PaintInProgress = false;
}

void TMainForm::RepaintConstruction() {
  if (!Animation || Animation->Playing || !ConstructionDirty) return;
  ConstructionDirty = false;
  Animation->CurrentFrame = Animation->ConstructorFrame.get();
  if (PaintAttached) PaintConstruction();
}

void TMainForm::StartUpdateTimer() {
  if (!UpdateTimer->isActive()) UpdateTimer->start();
}

void TMainForm::StopUpdateTimer() { UpdateTimer->stop(); }

void TMainForm::ComputeSelectionRect() {
  const kt58::TFrameLayer* layer = Animation->SelectedLayer;
  if (!layer) return;
  const int w = layer->ImageRef ? layer->ImageRef->Width : 0;
  const int h = layer->ImageRef ? layer->ImageRef->Height : 0;
  // Offsets come from the project file and may lie anywhere in int; QRect
  // adds the size to the corner in int too. A far-off outline stays far off.
  const auto place = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  SelectionRect = QRect(place(int64_t{layer->OffsetX} + DrawOrigin.x()),
                        place(int64_t{layer->OffsetY} + DrawOrigin.y()), w, h);
}

void TMainForm::HideFocusRect() {
  if (!FocusRectShown) return;
  FocusRectShown = false;
  pbConstr->SetFocusOutline(QRect());
}

void TMainForm::ShowFocusRect() {
  HideFocusRect();
  ComputeSelectionRect();
  if (Animation->SelectedLayer && !SelectionRect.isEmpty()) {
    FocusRectShown = true;
    pbConstr->SetFocusOutline(SelectionRect);
  }
}

void TMainForm::OutlineSelectedLayer() {
  FocusRectShown = Animation->SelectedLayer != nullptr;
  ComputeSelectionRect();
  pbConstr->SetFocusOutline(FocusRectShown ? SelectionRect : QRect());
}

void TMainForm::Regenerate(bool pre_render) {
  kt58::Ui().SetBusyCursor(true);
  struct Restore {
    ~Restore() { kt58::Ui().SetBusyCursor(false); }
  } restore;
  if (Animation->Resequence(pre_render)) {
    UpdateControlStates();
    Animation->SelectCurrentFrame();
  }
  UpdateStatusLine();
}

void TMainForm::MouseDown(QMouseEvent* e) {
  if (Animation->Playing) return;
  if (e->button() == Qt::LeftButton) {
    if (!FocusRectShown) return;
    const QPoint at = e->position().toPoint();
    Dragging = SelectionRect.contains(at);
    GrabOffset = at - SelectionRect.topLeft();
    if (Dragging) {
      DetachPaint();
      StopUpdateTimer();
    }
    if (!kt58::Ui().Terminating()) kt58::ProcessPendingMessages();
  } else if (e->button() == Qt::RightButton) {
    LayerPopup->popup(e->globalPosition().toPoint());
  }
}

void TMainForm::MouseMove(QMouseEvent* e) {
  if (!Dragging) return;
  const QPoint at = e->position().toPoint();
  SelectionRect.moveTopLeft(at - GrabOffset);
  ShowLayerOffsets(SelectionRect.left() - DrawOrigin.x(), SelectionRect.top() - DrawOrigin.y());
  pbConstr->SetFocusOutline(SelectionRect);
}

void TMainForm::MouseUp(QMouseEvent*) {
  if (!Dragging) return;
  Dragging = false;
  if (kt58::TFrameLayer* layer = Animation->SelectedLayer) {
    // The edits show the dropped position (ShowLayerOffsets).
    layer->OffsetX = IntegerOf(eXOffset);
    layer->OffsetY = IntegerOf(eYOffset);
  }
  ComputeSelectionRect();
  SetModified(true);
  Regenerate(false);
  RequestBackgroundClear();
  RequestRepaint();
  StartUpdateTimer();
  AttachPaint();
  if (!kt58::Ui().Terminating()) kt58::ProcessPendingMessages();
}

void TMainForm::ShowLayerOffsets(int x, int y) {
  // With control events attached the edits' change handlers store the
  // position into the layer.
  eXOffset->setText(QString::number(x));
  eYOffset->setText(QString::number(y));
}

void TMainForm::NudgeLayer(int key) {
  Nudging = true;
  DetachPaint();
  StopUpdateTimer();
  QPoint step;
  switch (key) {
    case Qt::Key_Left: step = {-1, 0}; break;
    case Qt::Key_Up: step = {0, -1}; break;
    case Qt::Key_Right: step = {1, 0}; break;
    case Qt::Key_Down: step = {0, 1}; break;
    default: return;
  }
  SelectionRect.translate(step);
  pbConstr->SetFocusOutline(FocusRectShown ? SelectionRect : QRect());
  ShowLayerOffsets(SelectionRect.left() - DrawOrigin.x(), SelectionRect.top() - DrawOrigin.y());
}

void TMainForm::EndNudge() {
  Nudging = false;
  Regenerate(false);
  AttachPaint();
  RequestBackgroundClear();
  StartUpdateTimer();
}

bool TMainForm::DragOver(const QMimeData* data) const {
  if (Animation->Playing || !data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && kt58::SourceTypeFromFileName(url.toLocalFile().toStdString()) != kt58::st_Unknown)
      return true;
  return false;
}

void TMainForm::DragDrop(const QMimeData* data) {
  // Every accepted file becomes a layer, each in front of the previous one;
  // the drop position is not used.
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::filesystem::path path = url.toLocalFile().toStdString();
    if (kt58::SourceTypeFromFileName(path) == kt58::st_Unknown) continue;
    AddLayerFromFile(path);
    Modified = true;
  }
}

void TMainForm::AddLayerFromFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return;
  try {
    DetachPaint();
    lvLayers->setUpdatesEnabled(false);
    HideFocusRect();
    kt58::Ui().SetBusyCursor(true);
    kt58::TFrameLayer* layer = nullptr;
    try {
      layer = Animation->AddLayerFromFile(path);
    } catch (...) {
      kt58::Ui().SetBusyCursor(false);
      throw;
    }
    kt58::Ui().SetBusyCursor(false);
    if (!layer) throw std::runtime_error("layer removed while resequencing");
    AddLayerListItem(layer, true);
    if (Animation->Sequenced) {
      UpdateControlStates();
      Animation->SelectCurrentFrame();
    }
    Animation->SelectedLayer = layer;
    SelectRow(0);
    lvLayers->setUpdatesEnabled(true);
    LoadLayerControls(layer);
    UpdateStatusLine();
    CenterFrame();
    RequestBackgroundClear();
    ShowFocusRect();
    AttachPaint();
    RequestRepaint();
    StartUpdateTimer();
    UpdateControlStates();
  } catch (...) {
    lvLayers->setUpdatesEnabled(true);
    kt58::Ui().ShowMessage("Unknown error occurred - Layer may not have been correctly added.");
    AttachPaint();
  }
}
