// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/commands/layer_commands.h"

#include <algorithm>
#include <utility>

#include "gui/document/document.h"
#include "model/project.h"
#include "model/image_resource.h"

DetachedLayer::DetachedLayer() = default;
DetachedLayer::~DetachedLayer() = default;
DetachedLayer::DetachedLayer(DetachedLayer&&) noexcept = default;
DetachedLayer& DetachedLayer::operator=(DetachedLayer&&) noexcept = default;

DetachedLayer DetachedLayer::Take(Document& document, kt58::Layer* layer) {
  DetachedLayer held;
  kt58::Project& a = document.project();
  const int index = a.ConstructorFrame ? a.ConstructorFrame->IndexOf(layer) : -1;
  if (index < 0) return held;
  document.ClearFrames();
  if (document.SelectedLayer() == layer) document.SelectLayer(nullptr);
  auto& layers = a.ConstructorFrame->Layers;
  held.index_ = index;
  held.layer_ = std::move(layers[static_cast<size_t>(index)]);
  layers.erase(layers.begin() + index);
  held.ref_ = std::exchange(layer->ImageRef, nullptr);
  if (held.ref_ && held.ref_->RefCount > 1)
    --held.ref_->RefCount;
  else if (held.ref_)
    held.resource_ = a.References->Take(held.ref_, &held.resource_index_);
  a.ComputeAutoFrameSize(a.ConstructorFrame.get());
  return held;
}

kt58::Layer* DetachedLayer::PutBack(Document& document) {
  kt58::Project& a = document.project();
  if (!layer_) return nullptr;
  document.ClearFrames();
  if (!a.ConstructorFrame) a.ConstructorFrame = std::make_unique<kt58::SequencedFrame>();
  if (resource_)
    a.References->Insert(resource_index_, std::move(resource_));
  else if (ref_)
    ++ref_->RefCount;
  layer_->ImageRef = std::exchange(ref_, nullptr);
  auto& layers = a.ConstructorFrame->Layers;
  const size_t at = std::min(static_cast<size_t>(index_), layers.size());
  kt58::Layer* layer = layer_.get();
  layers.insert(layers.begin() + static_cast<ptrdiff_t>(at), std::move(layer_));
  a.ComputeAutoFrameSize(a.ConstructorFrame.get());
  return layer;
}

// ---- adding

InsertLayerCommand::InsertLayerCommand(Document& document, kt58::Layer* layer,
                                       kt58::Layer* previous_selection, const QString& text)
    : QUndoCommand(text), document_(document), layer_(layer), previous_selection_(previous_selection) {
  // Made in front so that it could be made; it waits here until redo.
  if (layer_->ImageRef) --layer_->ImageRef->NameCounter;
  held_ = DetachedLayer::Take(document_, layer_);
}

void InsertLayerCommand::undo() {
  const ProjectChange change(document_);
  if (layer_->ImageRef) --layer_->ImageRef->NameCounter;
  held_ = DetachedLayer::Take(document_, layer_);
  const kt58::Project& a = document_.project();
  const bool still_there = a.ConstructorFrame && a.ConstructorFrame->IndexOf(previous_selection_) >= 0;
  document_.SelectLayer(still_there ? previous_selection_ : nullptr);
  document_.NotifyLayersChanged();
  document_.Regenerate();
}

void InsertLayerCommand::redo() {
  const ProjectChange change(document_);
  held_.PutBack(document_);
  if (layer_->ImageRef) ++layer_->ImageRef->NameCounter;
  document_.SelectLayer(layer_);
  document_.NotifyLayersChanged();
  document_.Regenerate();
}

// ---- removing

RemoveLayerCommand::RemoveLayerCommand(Document& document, kt58::Layer* layer)
    : QUndoCommand(Document::tr("Remove Layer")), document_(document), layer_(layer) {}

void RemoveLayerCommand::redo() {
  const ProjectChange change(document_);
  const kt58::Project& a = document_.project();
  const int index = a.ConstructorFrame ? a.ConstructorFrame->IndexOf(layer_) : -1;
  held_ = DetachedLayer::Take(document_, layer_);
  // The row that took the removed one's place is selected; after the last
  // row the one above it.
  kt58::Layer* next = nullptr;
  if (a.ConstructorFrame && index >= 0 && a.ConstructorFrame->LayerCount() > 0)
    next = a.ConstructorFrame->Layers[static_cast<size_t>(std::min(index, a.ConstructorFrame->LayerCount() - 1))].get();
  document_.SelectLayer(next);
  document_.NotifyLayersChanged();
  document_.Regenerate();
}

void RemoveLayerCommand::undo() {
  const ProjectChange change(document_);
  held_.PutBack(document_);
  document_.SelectLayer(layer_);
  document_.NotifyLayersChanged();
  document_.Regenerate();
}

// ---- moving

MoveLayerCommand::MoveLayerCommand(Document& document, int from, int to)
    : QUndoCommand(to < from ? Document::tr("Promote Layer") : Document::tr("Demote Layer")),
      document_(document),
      from_(from),
      to_(to) {}

void MoveLayerCommand::redo() {
  const ProjectChange change(document_);
  Swap();
}
void MoveLayerCommand::undo() {
  const ProjectChange change(document_);
  Swap();
}

void MoveLayerCommand::Swap() {
  kt58::Project& a = document_.project();
  if (!a.ConstructorFrame) return;
  auto& layers = a.ConstructorFrame->Layers;
  const int count = static_cast<int>(layers.size());
  if (from_ < 0 || to_ < 0 || from_ >= count || to_ >= count) return;
  std::swap(layers[static_cast<size_t>(from_)], layers[static_cast<size_t>(to_)]);
  // Promote and demote do not regenerate: the constructor frame shows the
  // new order at the next repaint, the generated frames at the next
  // regeneration.
  document_.NotifyLayersChanged();
}
