// SPDX-License-Identifier: GPL-3.0-or-later
// Small projects built in code for the export tests, and helpers that run
// the independent decoders (ffprobe, ffmpeg, Pillow).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/picture.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"
#include "support/test_support.h"

namespace kt58::test {

// A project built in code and the frames generated from it, which the
// exports take together. The sequence is declared after the project so that
// it goes first: its layers give their resource counts back to the
// project's list.
struct ExportProject {
  ExportProject() = default;
  ExportProject(ExportProject&&) = default;
  // Assigning would free the old project before the frames made from it.
  ExportProject& operator=(ExportProject&&) = delete;

  std::unique_ptr<Project> project = std::make_unique<Project>();
  FrameSequence sequence;

  // Generates the frames again after the project changed.
  void Resequence();
  Project& operator*() const { return *project; }
  Project* operator->() const { return project.get(); }
};

// A picture of width x height using only `colours` distinct colours, in a
// pattern that changes along both axes so a pixel rotation shows.
Picture MakeFewColourPicture(int width, int height, int colours, uint32_t seed);

// A project of still layers: one BMP layer that rotates left by its width
// over the frames, and a small BMP on top at an offset. frame_count frames,
// frame delay delay_ms. Frames are generated.
ExportProject MakeStillProject(const TempDir& dir, int width, int height, int frame_count, int delay_ms,
                               int colours = 16);

// A picture of smooth colour waves, periodic across its width, and a
// project of it rotating left by its width over the frames: content without
// hard colour edges, on which lossy 4:2:0 video coding is measured (any
// 4:2:0 format halves colour resolution, so sharp colour edges lose far more
// than the encoder's quality setting decides).
Picture MakeSmoothPicture(int width, int height);
ExportProject MakeSmoothProject(const TempDir& dir, int width, int height, int frame_count, int delay_ms);

// A still many-coloured background (48x32) and a small layer on top that
// rolls left inside its rectangle (x 5..16, y 4..11) from frame to frame.
ExportProject MakeStillBackgroundProject(const TempDir& dir, int frames);

// Adds, on top, an animated GIF layer of `images` solid 4x3 frames of
// different colours (a multi-frame layer) and generates the frames again.
void AddAnimatedGifLayer(ExportProject& a, const TempDir& dir, int images);

// The composition of generated frame i as the exports that show stored
// frame i of multi-frame layers make it: stepping at i.
WorkPicture RenderStoredFrame(const ExportProject& a, int i);

// Output of a shell command (stdout), and whether it exited with 0.
bool RunCapture(const std::string& command, std::string& output);
std::string Quote(const std::filesystem::path& p);

// The file names in a folder (not recursive), sorted.
std::vector<std::string> FileNamesIn(const std::filesystem::path& dir);

// Pillow under the system interpreter; false (and the reason) when missing.
bool HavePillow();

}  // namespace kt58::test
