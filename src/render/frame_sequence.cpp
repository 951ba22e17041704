// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_sequence.h"

#include <algorithm>
#include <cmath>

#include "model/image_resource.h"
#include "platform/numeric.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace {

// Round half to even of a value that may lie far outside int (fade settings
// read from a file): clamped first, since the results are clamped anyway.
int ClampedRound(double v) {
  if (!(v > -1e9)) return -1000000000;
  if (v > 1e9) return 1000000000;
  return RoundHalfEven(v);
}

// The values master layer M takes in generated frame i, worked out on C, a
// copy of M (CopyLayer: every other field is M's already).
void SetFrameValues(Layer& c, const Layer& m, int i, int frame_count) {
  if (m.PixelRotate) {
    double extent = 0.0;
    if (m.ImageRef) {
      if (m.PixelRotateDirection == pr_Up || m.PixelRotateDirection == pr_Down)
        extent = m.ImageRef->Height;
      else if (m.PixelRotateDirection == pr_Left || m.PixelRotateDirection == pr_Right)
        extent = m.ImageRef->Width;
    }
    const double step = extent / frame_count;
    c.PixelRotateShift = ClampedRound(i * step);
  }

  if (m.DegreesToRotate > 0)
    c.Angle = i * (m.DegreesToRotate / frame_count) + m.StartAngle;
  else
    c.Angle = m.StartAngle;

  if (m.FadeMode != fm_No_Fade) {
    // The fade offsets the layer's own transparency by a share of the
    // difference; FadeStart itself enters only through it.
    const double d = static_cast<double>(static_cast<int64_t>(m.FadeFinal) - m.FadeStart);
    int64_t t = m.Transparency;
    if (m.FadeMode == fm_Pulse) {
      t += ClampedRound(i * (d / frame_count));
    } else if (m.FadeMode == fm_Smooth) {
      const double step = d / (frame_count / 2.0);
      const int h = frame_count / 2;
      t += i < h ? ClampedRound(i * step) : ClampedRound((frame_count - i) * step);
    }
    c.Transparency = static_cast<int32_t>(std::clamp<int64_t>(t, 0, 100));
  }
}

}  // namespace

const SequencedFrame* FrameSequence::Frame(int i) const {
  if (i < 0 || static_cast<size_t>(i) >= frames_.size()) return nullptr;
  return frames_[static_cast<size_t>(i)].get();
}

FrameSequence MakeFrameSequence(const Project& project, Progress& progress) {
  FrameSequence sequence;
  if (project.LayerCount() == 0) return sequence;
  const auto& masters = project.ConstructorFrame->Layers;
  const int count = project.FrameCount;
  sequence.frames_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    progress.Report(Format("Creating Frame : %d", i), i, count);
    if (progress.Cancelled()) throw Cancelled();
    auto frame = std::make_unique<SequencedFrame>();
    frame->Layers.reserve(masters.size());
    for (const auto& m : masters) {
      std::unique_ptr<Layer> c = m->CopyLayer();
      SetFrameValues(*c, *m, i, count);
      frame->Layers.push_back(std::move(c));
    }
    sequence.frames_.push_back(std::move(frame));
  }
  return sequence;
}

}  // namespace kt58
