// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/project.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/ui_services.h"
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

// The generated frame i of a copy C of master layer M.
void SetFrameValues(Layer& c, const Layer& m, int i, int frame_count) {
  c.PixelRotate = m.PixelRotate;
  if (c.PixelRotate) {
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

  c.OffsetX = m.OffsetX;
  c.OffsetY = m.OffsetY;
  c.StartAngle = m.StartAngle;
  c.Clockwise = m.Clockwise;
  c.DegreesToRotate = m.DegreesToRotate;
  c.AntiAlias = m.AntiAlias;
  if (c.DegreesToRotate > 0)
    c.Angle = i * (c.DegreesToRotate / frame_count) + c.StartAngle;
  else
    c.Angle = c.StartAngle;

  c.BlendType = m.BlendType;
  c.Transparency = m.Transparency;
  c.AltTransparency = m.AltTransparency;
  c.FadeMode = m.FadeMode;
  c.FadeStart = m.FadeStart;
  c.FadeFinal = m.FadeFinal;
  if (c.FadeMode != fm_No_Fade) {
    // The fade offsets the layer's own transparency by a share of the
    // difference; FadeStart itself enters only through it.
    const double d = static_cast<double>(static_cast<int64_t>(m.FadeFinal) - m.FadeStart);
    int64_t t = m.Transparency;
    if (c.FadeMode == fm_Pulse) {
      t += ClampedRound(i * (d / frame_count));
    } else if (c.FadeMode == fm_Smooth) {
      const double step = d / (frame_count / 2.0);
      const int h = frame_count / 2;
      t += i < h ? ClampedRound(i * step) : ClampedRound((frame_count - i) * step);
    }
    c.Transparency = static_cast<int32_t>(std::clamp<int64_t>(t, 0, 100));
  }
}

}  // namespace

void FrameCache::Add(Picture& picture) {
  if (picture.Width() == Width && picture.Height() == Height) {
    Images.emplace_back();
    Images.back().TakeFrom(picture);
    return;
  }
  Picture sized(Width, Height);
  const int w = std::min(Width, picture.Width());
  const int h = std::min(Height, picture.Height());
  for (int r = 0; r < h; ++r) std::copy_n(picture.Row(r), static_cast<size_t>(w) * 3, sized.Row(r));
  Images.push_back(std::move(sized));
}

Project::Project()
    : References(std::make_unique<ImageResources>()),
      ConstructorFrame(std::make_unique<SequencedFrame>(this)),
      RenderedFrames(std::make_unique<FrameCache>()) {
  ResetProject();
}

Project::~Project() {
  CurrentFrame = nullptr;
  SelectedLayer = nullptr;
  // Layers give their counts back through References, so it goes last.
  // Destructors raise nothing: no step can stop the next.
  ConstructorFrame.reset();
  {
    // Frames is empty while its frames go, as everywhere else.
    std::vector<std::unique_ptr<SequencedFrame>> doomed;
    doomed.swap(Frames);
  }
  RenderedFrames.reset();
  References.reset();
}

void Project::ResetProject() {
  FileName.clear();
  FrameCount = 10;
  AutoWidth = 0;
  AutoHeight = 0;
  FixedFrameSize = false;
  FixedWidth = 10;
  FixedHeight = 10;
  BackgroundColor = 0;
  SelectedLayer = nullptr;
  NonRenderedPlayback = true;
  FrameDelay = 0;
  Sequenced = false;
  Playing = false;
  CurrentFrameIndex = -1;
  CurrentFrame = ConstructorFrame.get();
}

int Project::LayerCount() const { return ConstructorFrame ? ConstructorFrame->LayerCount() : 0; }

void Project::DoStatus(const std::string& text) const {
  if (OnStatus) OnStatus(text);
}

bool Project::OwnsFrame(const SequencedFrame* frame) const {
  if (!frame) return false;
  if (frame == ConstructorFrame.get()) return true;
  return std::any_of(Frames.begin(), Frames.end(), [frame](const auto& f) { return f.get() == frame; });
}

void Project::ClearFrames() {
  Playing = false;
  Sequenced = false;
  ++generation_;
  // A current frame among the generated ones is about to be freed.
  if (CurrentFrame != ConstructorFrame.get()) CurrentFrame = ConstructorFrame.get();
  std::vector<std::unique_ptr<SequencedFrame>> doomed;
  doomed.swap(Frames);
  doomed.clear();
  RecreateFrameCache();
  ProcessPendingMessages();
}

bool Project::MakeFrameSequence() {
  try {
    ClearFrames();
    const uint64_t generation = generation_;
    for (int i = 0; i < FrameCount; ++i) {
      DoStatus(Format("Creating Frame : %d", i));
      ProcessPendingMessages();
      // A handler that cleared the frames (or started another resequencing,
      // which has then finished) owns the outcome; this run stops quietly.
      if (generation_ != generation) return false;
      if (!ConstructorFrame || ConstructorFrame->Layers.empty()) {
        if (!Frames.empty()) ClearFrames();
        return false;
      }
      auto frame = std::make_unique<SequencedFrame>(this);
      const auto& masters = ConstructorFrame->Layers;
      frame->Layers.reserve(masters.size());
      for (const auto& m : masters) {
        std::unique_ptr<Layer> c = m->CopyLayer();
        SetFrameValues(*c, *m, i, FrameCount);
        frame->Layers.push_back(std::move(c));
      }
      Frames.push_back(std::move(frame));
    }
    DoStatus("Resequence Complete");
    Sequenced = Frames.size() > 1;
    if (Sequenced) {
      FirstFrame();
    }
    DoStatus("");
    return true;
  } catch (...) {
    Ui().ShowMessage("Unknown Resequence Exception");
    try {
      ClearFrames();
    } catch (...) {
      // ClearFrames lets events run, and a front end may raise from them
      // (the command line after Ctrl+C); the frames are cleared by then and
      // the failure is reported above.
    }
    DoStatus("");
    return false;
  }
}

FrameSize Project::GetFrameSize() const {
  if (FixedFrameSize) return {FixedWidth, FixedHeight};
  return {AutoWidth, AutoHeight};
}

void Project::ComputeAutoFrameSize(const SequencedFrame* frame) {
  AutoWidth = 0;
  AutoHeight = 0;
  if (!frame) return;
  for (const auto& layer : frame->Layers) {
    const ImageResource* ref = layer->ImageRef;
    if (!ref || !ref->HasPicture()) continue;
    AutoWidth = std::max(AutoWidth, ref->Width);
    AutoHeight = std::max(AutoHeight, ref->Height);
  }
}

void Project::SetPictureToFrameSize(Picture& picture) const {
  const FrameSize size = GetFrameSize();
  picture.SetSize(size.Width, size.Height);
}

void Project::RecreateFrameCache() {
  auto cache = std::make_unique<FrameCache>();
  const FrameSize size = GetFrameSize();
  cache->Width = size.Width < 1 ? 10 : size.Width;
  cache->Height = size.Height < 1 ? 10 : size.Height;
  RenderedFrames = std::move(cache);
}

bool Project::SelectCurrentFrame() {
  if (CurrentFrameIndex >= 0 && static_cast<size_t>(CurrentFrameIndex) < Frames.size()) {
    CurrentFrame = Frames[static_cast<size_t>(CurrentFrameIndex)].get();
    return true;
  }
  CurrentFrameIndex = -1;
  CurrentFrame = nullptr;
  return false;
}

void Project::StepFrame(int delta) {
  const int64_t last = static_cast<int64_t>(Frames.size()) - 1;
  int64_t index = static_cast<int64_t>(CurrentFrameIndex) + delta;
  if (index < 0)
    index = last;
  else if (index > last)
    index = 0;
  CurrentFrameIndex = static_cast<int32_t>(index);
  SelectCurrentFrame();
}

void Project::FirstFrame() {
  CurrentFrameIndex = 0;
  SelectCurrentFrame();
}

void Project::FreeConstructorFrame() {
  ++generation_;
  if (CurrentFrame == ConstructorFrame.get()) CurrentFrame = nullptr;
  SelectedLayer = nullptr;
  std::unique_ptr<SequencedFrame> doomed = std::move(ConstructorFrame);
}

void Project::SetLayerPosition(int offset_x, int offset_y) {
  if (!SelectedLayer) return;
  SelectedLayer->OffsetX = offset_x;
  SelectedLayer->OffsetY = offset_y;
}

void Project::SetLayerRotation(double start_angle, double degrees_to_rotate, bool clockwise, bool anti_alias) {
  if (!SelectedLayer) return;
  SelectedLayer->StartAngle = start_angle;
  SelectedLayer->Angle = start_angle;
  SelectedLayer->DegreesToRotate = degrees_to_rotate;
  SelectedLayer->Clockwise = clockwise;
  SelectedLayer->AntiAlias = anti_alias;
}

void Project::SetLayerBlending(int blend_type, int transparency, int alt_transparency) {
  if (!SelectedLayer) return;
  SelectedLayer->BlendType = blend_type;
  SelectedLayer->Transparency = transparency;
  SelectedLayer->AltTransparency = alt_transparency;
}

void Project::SetLayerTint(bool enabled, Color color) {
  if (!SelectedLayer) return;
  SelectedLayer->TintEnabled = enabled;
  SelectedLayer->TintColor = color;
}

void Project::SetLayerFading(int fade_mode, int fade_start, int fade_final) {
  if (!SelectedLayer) return;
  SelectedLayer->FadeMode = fade_mode;
  SelectedLayer->FadeStart = fade_start;
  SelectedLayer->FadeFinal = fade_final;
}

void Project::SetLayerOther(bool pixel_rotate, int direction, bool mirror, bool flip) {
  if (!SelectedLayer) return;
  SelectedLayer->PixelRotate = pixel_rotate;
  SelectedLayer->PixelRotateDirection = direction;
  SelectedLayer->Mirror = mirror;
  SelectedLayer->Flip = flip;
}

void Project::SetLayerButtonize(bool enabled, int amount, Color highlight, Color shadow) {
  if (!SelectedLayer) return;
  SelectedLayer->ButtonizeEnabled = enabled;
  SelectedLayer->ButtonizeAmount = amount;
  SelectedLayer->ButtonizeHighlight = highlight;
  SelectedLayer->ButtonizeShadow = shadow;
}

}  // namespace kt58
