// SPDX-License-Identifier: GPL-3.0-or-later
// The project as it is saved: its settings, image resources and the
// constructor frame of master layers. The generated frames are the render
// ring's FrameSequence; playing them is the front end's business.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/colors.h"
#include "engine/picture.h"
#include "model/layer.h"
#include "model/sequenced_frame.h"
#include "model/image_resources.h"

namespace kt58 {

class AtomicFile;

struct FrameSize {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// A part of a project the read could not restore.
struct ProjectReadIssue {
  // The program's message for it, as the editor shows it; may be empty.
  std::string message;
  // What went wrong, naming the resource and the file.
  std::string cause;
};

// What reading a project gave. On success the project holds what was read,
// without whatever the warnings name; on failure it is empty again.
struct ProjectReadResult {
  bool ok = false;
  // Failed, and the file does not even begin like a project (a picture, a
  // text): its version field is not one any version of the program writes.
  bool not_a_project = false;
  // On failure: the program's message ("Animation.LoadFromStream Exception")
  // and what the reader knew ("The project file is cut short").
  std::string message;
  std::string cause;
  std::vector<ProjectReadIssue> warnings;
  // Read, and every resource restored whole.
  bool Complete() const { return ok && warnings.empty(); }
};

// A project is written as version 100 while every embedded store fits a
// record of 32-bit offsets, byte for byte as programs that know no later
// version write it; a larger store raises the whole file to version 101,
// whose store records all have 64-bit offsets and image sizes. Versions up to
// kFileVersion are read; programs of version 100 refuse 101 as too new.
inline constexpr int kFileVersionOffsets32 = 100;
inline constexpr int kFileVersionOffsets64 = 101;
inline constexpr int kFileVersion = kFileVersionOffsets64;
// Beyond any version this program's successors could write.
inline constexpr int kMaxPlausibleFileVersion = 0xFFFF;
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
  // Frees the constructor frame, then the resources its layers counted.
  ~Project();

  // The settings of a new project; resources and layers untouched.
  void ResetProject();
  int LayerCount() const;
  FrameSize GetFrameSize() const;
  void ComputeAutoFrameSize(const SequencedFrame* frame);

  // What adding a layer from a file does to the project: a new master layer
  // on top with the file's (shared) resource, its name and its
  // auto-detected transparent colour; then the automatic frame size.
  // Raises Kt58Error when no resource can be made for the file.
  Layer* AddLayerFromFile(const std::filesystem::path& path, Progress& progress = NoProgress());
  // The frames of the next video or animation layer added go straight into
  // `file`, the empty file this project will be saved into, and the save
  // leaves them where they are: each frame's bytes are written once. Only
  // the first store of a project can lie there (the ones after it would
  // follow a record whose size is still unknown); a save elsewhere copies
  // them as usual.
  void PlaceStoreIn(const AtomicFile& file);

  // Project file. SaveToFile writes a temporary file beside the target and
  // renames it over the target only when everything was written, so a failed
  // save raises and leaves the old file as it was. A save gives what a store
  // could write only in part (its frames padded), for the front end to show;
  // the file is written all the same. ReadFromFile and ReadFromStream say
  // what happened in their result; the caller starts from a new project.
  // A project read from a file reads the frames of its video and animation
  // layers where they lie in it, and keeps the file open for that.
  std::vector<StoreProblem> SaveToFile(const std::filesystem::path& path, Progress& progress = NoProgress()) const;
  // The same into an atomic file the caller made (and a store may have been
  // placed in), committed on success.
  std::vector<StoreProblem> SaveToFile(AtomicFile& file, Progress& progress = NoProgress()) const;
  std::vector<StoreProblem> SaveToStream(std::ostream& out, Progress& progress = NoProgress()) const;
  ProjectReadResult ReadFromFile(const std::filesystem::path& path, Progress& progress = NoProgress());
  ProjectReadResult ReadFromStream(std::istream& in, Progress& progress = NoProgress());

  std::unique_ptr<ImageResources> References;
  int32_t FrameCount = 10;
  // The master layers the user edits; frames are generated from them.
  std::unique_ptr<SequencedFrame> ConstructorFrame;
  int32_t AutoWidth = 0;
  int32_t AutoHeight = 0;
  bool FixedFrameSize = false;
  int32_t FixedWidth = 10;
  int32_t FixedHeight = 10;
  Color BackgroundColor = 0;
  bool NonRenderedPlayback = true;
  int32_t FrameDelay = 0;  // milliseconds between frames in playback

 private:
  ProjectReadResult Read(std::istream& in, const StoreHost* host, Progress& progress);
  void LoadResources(class BoundedReader& reader, StoreRecordWidth width, const StoreHost* host,
                     std::vector<ProjectReadIssue>& warnings, Progress& progress);
  // SaveToFile without the message naming the file.
  std::vector<StoreProblem> SaveInto(AtomicFile& file, Progress& progress) const;
  // What SaveToStream writes ahead of the next resource's record.
  int64_t SavedBytesBeforeNextResource() const;
  // The save around a store placed in the file: false when it cannot be
  // made there (the record does not fit before its frames, a write
  // failed), and the file is then no project.
  bool SaveAroundPlacedStore(AtomicFile& file, const FrameStore& store, Progress& progress,
                             std::vector<StoreProblem>& problems) const;

  std::filesystem::path store_file_;
  // The file's name for messages: the target of the atomic file.
  std::filesystem::path store_file_shown_;
};

// The bytes the project's pictures and frame stores take, as saving writes
// them (one BMP image per picture and per stored frame; the settings add a
// few kilobytes): what an imported video or GIF costs on disk.
uint64_t ProjectPictureBytes(const Project& project);

// Projects beyond this size (in bytes) are worth a word to the user after an
// import: a small GIF drawn on a large screen can take gigabytes. Shown in
// MB of 1,000,000 bytes.
inline constexpr uint64_t kLargeProjectBytes = 100'000'000;

}  // namespace kt58
