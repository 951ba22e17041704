// SPDX-License-Identifier: GPL-3.0-or-later
// The project: its saved settings, image resources and the constructor
// frame of master layers; for now also the generated frames, resequencing,
// the frame cache and the playback cursor, which are to move out into a frame
// sequence and the desktop's playback.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/colors.h"
#include "engine/picture.h"
#include "model/display_sink.h"
#include "model/layer.h"
#include "model/sequenced_frame.h"
#include "model/image_resources.h"

namespace kt58 {

struct FrameSize {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// Pre-rendered frame pictures, all of the size the cache was made with.
struct FrameCache {
  int Width = 10;
  int Height = 10;
  std::vector<Picture> Images;
  int Count() const { return static_cast<int>(Images.size()); }
  // Stores the picture at the cache's size (cut or padded with black at the
  // right and bottom when the frame size changed since the cache was made).
  void Add(Picture& picture);
};

// A part of a project the read could not restore.
struct ProjectReadIssue {
  // The program's message for it, as the editor shows it; may be empty.
  std::string message;
  // What went wrong, naming the resource and the file.
  std::string cause;
};

// What reading a project gave. On success the animation holds the project,
// without whatever the warnings name; on failure it is empty again.
struct ProjectReadResult {
  bool ok = false;
  // On failure: the program's message ("Animation.LoadFromStream Exception")
  // and what the reader knew ("The project file is cut short").
  std::string message;
  std::string cause;
  std::vector<ProjectReadIssue> warnings;
  // Read, and every resource restored whole.
  bool Complete() const { return ok && warnings.empty(); }
};

inline constexpr int kFileVersion = 100;
// The number of frames an animation is generated with.
inline constexpr int kMinFrameCount = 2;
inline constexpr int kMaxFrameCount = 1000;
// Resequencing copies every master layer into every frame (about 220 bytes
// a copy): a project may ask for at most this many copies, a thousand
// layers over a thousand frames, about 220 MB.
inline constexpr int64_t kMaxLayerFrames = 1'000'000;
// Whether that many layers over that many frames stay within the bound, and
// the error that names both numbers when they do not.
bool LayerFramesFit(int64_t layers, int64_t frames);
std::string LayerFramesError(int64_t layers, int64_t frames);

class Project {
 public:
  Project();
  Project(const Project&) = delete;
  Project& operator=(const Project&) = delete;
  // Frees the constructor frame, the frames, the cache and the resources in
  // that order; a failing step does not stop the next.
  ~Project();

  // The settings of a new project; resources, frames and layers untouched.
  void ResetProject();
  int LayerCount() const;
  void DoStatus(const std::string& text) const;
  // Drops the generated frames and the cache; CurrentFrame goes back to the
  // ConstructorFrame. Lets pending events run.
  void ClearFrames();
  // Generates FrameCount frames from the master layers (render/compose.h
  // composes them); false when there
  // are none, on an error ("Unknown Resequence Exception") or when an event
  // handler cleared the frames or freed the constructor frame meanwhile.
  bool MakeFrameSequence();
  FrameSize GetFrameSize() const;
  void ComputeAutoFrameSize(const SequencedFrame* frame);
  bool SelectCurrentFrame();
  void StepFrame(int delta);
  void FirstFrame();
  void FreeConstructorFrame();

  void SetPictureToFrameSize(Picture& picture) const;
  void RecreateFrameCache();

  // Property groups of the selected layer, as the property pages set them;
  // each does nothing without a selected layer.
  void SetLayerPosition(int offset_x, int offset_y);
  void SetLayerRotation(double start_angle, double degrees_to_rotate, bool clockwise, bool anti_alias);
  void SetLayerBlending(int blend_type, int transparency, int alt_transparency);
  void SetLayerTint(bool enabled, Color color);
  void SetLayerFading(int fade_mode, int fade_start, int fade_final);
  void SetLayerOther(bool pixel_rotate, int direction, bool mirror, bool flip);
  void SetLayerButtonize(bool enabled, int amount, Color highlight, Color shadow);

  // What adding a layer from a file does to the model: a new master layer on
  // top with the file's (shared) resource, its name, its auto-detected
  // transparent colour, selected; then resequencing and the automatic frame
  // size. Raises Kt58Error when no resource can be made for the file.
  Layer* AddLayerFromFile(const std::filesystem::path& path, Progress& progress = NoProgress());

  // Project file. SaveToFile writes a temporary file beside the target and
  // renames it over the target only when everything was written, so a failed
  // save raises and leaves the old file as it was. ReadFromFile and
  // ReadFromStream show nothing and say what happened in their result;
  // LoadFromFile and LoadFromStream show the program's messages for it (a
  // failure, a skipped resource) and give whether the project was read.
  // The caller empties the animation first. A save gives what a store could
  // write only in part (its frames padded), for the front end to show; the
  // file is written all the same.
  std::vector<StoreProblem> SaveToFile(const std::filesystem::path& path);
  std::vector<StoreProblem> SaveToStream(std::ostream& out);
  ProjectReadResult ReadFromFile(const std::filesystem::path& path);
  ProjectReadResult ReadFromStream(std::istream& in);
  bool LoadFromFile(const std::filesystem::path& path);
  bool LoadFromStream(std::istream& in);

  // True while the frame is alive: the ConstructorFrame or one of Frames.
  bool OwnsFrame(const SequencedFrame* frame) const;

  std::unique_ptr<ImageResources> References;
  DisplaySink* DisplayCanvas = nullptr;
  int32_t FileVersion = kFileVersion;
  std::function<void(const std::string&)> OnStatus;
  std::string FileName;
  int32_t FrameCount = 10;
  std::unique_ptr<SequencedFrame> ConstructorFrame;
  int32_t AutoWidth = 0;
  int32_t AutoHeight = 0;
  bool FixedFrameSize = false;
  int32_t FixedWidth = 10;
  int32_t FixedHeight = 10;
  Color BackgroundColor = 0;
  Layer* SelectedLayer = nullptr;
  std::vector<std::unique_ptr<SequencedFrame>> Frames;
  bool NonRenderedPlayback = true;
  bool Sequenced = false;
  bool Playing = false;
  int32_t CurrentFrameIndex = -1;
  SequencedFrame* CurrentFrame = nullptr;
  int32_t FrameDelay = 0;  // milliseconds between frames in playback
  std::unique_ptr<FrameCache> RenderedFrames;

 private:
  friend class SequencedFrame;
  void LoadResources(class BoundedReader& reader, std::vector<ProjectReadIssue>& warnings);
  uint64_t generation_ = 0;
};

}  // namespace kt58
