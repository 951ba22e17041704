// Undo steps that change the constructor frame's list of layers: a layer
// added (from a file or as a copy), removed, or moved one place.
#pragma once

#include <QUndoCommand>
#include <memory>

class EditorDocument;
namespace kt58 {
class TFrameLayer;
class TLayerImageRef;
}  // namespace kt58

// A master layer out of the animation, held with its place. While held it
// counts for no resource: its resource's count is given back, and when no
// other layer of the model used the resource, the resource itself is taken
// out of the list and held here, so that the list holds only what the model
// uses and putting the layer back restores the model exactly (the resource
// keeps its id, its pictures or its frame store's data file).
class DetachedLayer {
 public:
  DetachedLayer();
  ~DetachedLayer();
  DetachedLayer(DetachedLayer&&) noexcept;
  DetachedLayer& operator=(DetachedLayer&&) noexcept;

  // Takes the layer out of the constructor frame (the generated frames are
  // dropped first, since their copies count the resource too).
  static DetachedLayer Take(EditorDocument& document, kt58::TFrameLayer* layer);
  // Puts it back at its place; the held object is empty afterwards.
  kt58::TFrameLayer* PutBack(EditorDocument& document);

 private:
  std::unique_ptr<kt58::TLayerImageRef> resource_;
  // The held layer's ImageRef is none, so freeing it gives no count back.
  std::unique_ptr<kt58::TFrameLayer> layer_;
  kt58::TLayerImageRef* ref_ = nullptr;
  int resource_index_ = -1;
  int index_ = 0;
};

// A layer already put in front by the caller (added from a file or copied),
// whose creation raised its resource's NameCounter.
class InsertLayerCommand final : public QUndoCommand {
 public:
  InsertLayerCommand(EditorDocument& document, kt58::TFrameLayer* layer, kt58::TFrameLayer* previous_selection,
                     const QString& text);
  void undo() override;
  void redo() override;

 private:
  EditorDocument& document_;
  kt58::TFrameLayer* layer_;
  kt58::TFrameLayer* previous_selection_;
  DetachedLayer held_;
  bool done_ = true;
};

class RemoveLayerCommand final : public QUndoCommand {
 public:
  RemoveLayerCommand(EditorDocument& document, kt58::TFrameLayer* layer);
  void undo() override;
  void redo() override;

 private:
  EditorDocument& document_;
  kt58::TFrameLayer* layer_;
  DetachedLayer held_;
};

class MoveLayerCommand final : public QUndoCommand {
 public:
  MoveLayerCommand(EditorDocument& document, int from, int to);
  void undo() override;
  void redo() override;

 private:
  void Swap();

  EditorDocument& document_;
  int from_, to_;
};
