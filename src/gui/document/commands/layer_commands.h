// SPDX-License-Identifier: GPL-3.0-or-later
// Undo steps that change the constructor frame's list of layers: a layer
// added (from a file or as a copy), removed, or moved one place.
#pragma once

#include <QUndoCommand>
#include <memory>

class Document;
namespace kt58 {
class Layer;
class ImageResource;
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
  static DetachedLayer Take(Document& document, kt58::Layer* layer);
  // Puts it back at its place; the held object is empty afterwards.
  kt58::Layer* PutBack(Document& document);

 private:
  std::unique_ptr<kt58::ImageResource> resource_;
  // The held layer's ImageRef is none, so freeing it gives no count back.
  std::unique_ptr<kt58::Layer> layer_;
  kt58::ImageResource* ref_ = nullptr;
  int resource_index_ = -1;
  int index_ = 0;
};

// A layer the caller made in front (added from a file or copied), whose
// creation raised its resource's NameCounter. The command takes it out
// again at once; redo puts it in front.
class InsertLayerCommand final : public QUndoCommand {
 public:
  InsertLayerCommand(Document& document, kt58::Layer* layer, kt58::Layer* previous_selection,
                     const QString& text);
  void undo() override;
  void redo() override;

 private:
  Document& document_;
  kt58::Layer* layer_;
  kt58::Layer* previous_selection_;
  DetachedLayer held_;
};

class RemoveLayerCommand final : public QUndoCommand {
 public:
  RemoveLayerCommand(Document& document, kt58::Layer* layer);
  void undo() override;
  void redo() override;

 private:
  Document& document_;
  kt58::Layer* layer_;
  DetachedLayer held_;
};

class MoveLayerCommand final : public QUndoCommand {
 public:
  MoveLayerCommand(Document& document, int from, int to);
  void undo() override;
  void redo() override;

 private:
  void Swap();

  Document& document_;
  int from_, to_;
};
