// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/commands/settings_commands.h"

#include "gui/document/document.h"
#include "model/project.h"

LayerSettingsCommand::LayerSettingsCommand(Document& document, std::vector<Change> changes, int merge,
                                           const QString& text)
    : QUndoCommand(text),
      document_(document),
      changes_(std::move(changes)),
      merge_(merge),
      serial_(document.MergeSerial()) {}

void LayerSettingsCommand::undo() {
  const ProjectChange change(document_);
  Apply(false);
}

void LayerSettingsCommand::redo() {
  const ProjectChange change(document_);
  Apply(true);
}

void LayerSettingsCommand::Apply(bool after) {
  for (Change& c : changes_) (after ? c.after : c.before).ApplyTo(*c.layer);
  // A single layer's change is shown on it; the layer already selected
  // stays so without ending a run of merging edits.
  if (changes_.size() == 1 && document_.SelectedLayer() != changes_.front().layer)
    document_.SelectLayer(changes_.front().layer);
  for (Change& c : changes_) document_.NotifyLayerChanged(c.layer);
}

bool LayerSettingsCommand::mergeWith(const QUndoCommand* other) {
  const auto* next = static_cast<const LayerSettingsCommand*>(other);
  if (next->serial_ != serial_ || next->changes_.size() != 1 || changes_.size() != 1 ||
      next->changes_.front().layer != changes_.front().layer)
    return false;
  changes_.front().after = next->changes_.front().after;
  return true;
}

AnimationSettingsCommand::AnimationSettingsCommand(Document& document, const AnimationSettings& before,
                                                   const AnimationSettings& after, int merge, const QString& text)
    : QUndoCommand(text),
      document_(document),
      before_(before),
      after_(after),
      merge_(merge),
      serial_(document.MergeSerial()) {}

void AnimationSettingsCommand::undo() {
  const ProjectChange change(document_);
  Apply(after_, before_);
}

void AnimationSettingsCommand::redo() {
  const ProjectChange change(document_);
  Apply(before_, after_);
}

void AnimationSettingsCommand::Apply(const AnimationSettings& from, const AnimationSettings& to) {
  to.ApplyTo(document_.project());
  document_.NotifyAnimationChanged(from.FrameCount != to.FrameCount);
}

bool AnimationSettingsCommand::mergeWith(const QUndoCommand* other) {
  const auto* next = static_cast<const AnimationSettingsCommand*>(other);
  if (next->serial_ != serial_) return false;
  after_ = next->after_;
  return true;
}
