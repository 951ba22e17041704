// SPDX-License-Identifier: GPL-3.0-or-later
// Undo steps that change settings: of one or more master layers (property
// pages, drag, nudge, reset) and of the animation (frame setup, background,
// frame count, speed). Each is pushed after the change was made: the first
// redo does nothing.
#pragma once

#include <QUndoCommand>
#include <vector>

#include "gui/document/layer_snapshot.h"

class Document;
namespace kt58 {
class Layer;
}

class LayerSettingsCommand final : public QUndoCommand {
 public:
  struct Change {
    kt58::Layer* layer;
    LayerSnapshot before, after;
  };
  LayerSettingsCommand(Document& document, std::vector<Change> changes, int merge, const QString& text);

  void undo() override;
  void redo() override;
  int id() const override { return merge_; }
  bool mergeWith(const QUndoCommand* other) override;

 private:
  void Apply(bool after);

  Document& document_;
  std::vector<Change> changes_;
  int merge_;
  int serial_;
};

class AnimationSettingsCommand final : public QUndoCommand {
 public:
  AnimationSettingsCommand(Document& document, const AnimationSettings& before, const AnimationSettings& after,
                           int merge, const QString& text);

  void undo() override;
  void redo() override;
  int id() const override { return merge_; }
  bool mergeWith(const QUndoCommand* other) override;

 private:
  void Apply(const AnimationSettings& from, const AnimationSettings& to);

  Document& document_;
  AnimationSettings before_, after_;
  int merge_;
  int serial_;
};
