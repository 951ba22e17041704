// SPDX-License-Identifier: GPL-3.0-or-later
// The generated frames of a project: for every frame, a copy of each master
// layer with the values animated over the frame count (angle, fade,
// pixel-rotation shift) worked out for that frame.
#pragma once

#include <memory>
#include <vector>

#include "model/project.h"
#include "platform/progress.h"

namespace kt58 {

class FrameSequence {
 public:
  FrameSequence() = default;
  FrameSequence(FrameSequence&&) noexcept = default;
  FrameSequence& operator=(FrameSequence&&) noexcept = default;
  // Frees the frames while the project's resource list is still alive: the
  // owner of a sequence drops it before the project it was made from.
  ~FrameSequence() = default;

  int Count() const { return static_cast<int>(frames_.size()); }
  bool Empty() const { return frames_.empty(); }
  // More than one frame: something to play and to export as an animation.
  bool Sequenced() const { return frames_.size() > 1; }
  // Frame i, or none outside the sequence.
  const SequencedFrame* Frame(int i) const;

 private:
  friend FrameSequence MakeFrameSequence(const Project& project, Progress& progress);
  std::vector<std::unique_ptr<SequencedFrame>> frames_;
};

// Generates the project's FrameCount frames from its master layers; an
// empty sequence for a project without layers. Reports each frame
// ("Creating Frame : 3"), and throws Cancelled when asked to stop.
FrameSequence MakeFrameSequence(const Project& project, Progress& progress = NoProgress());

}  // namespace kt58
