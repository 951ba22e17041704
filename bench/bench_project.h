// SPDX-License-Identifier: GPL-3.0-or-later
// The 100-frame 640x480 project of four layers that the export benchmarks
// share: a base picture rolled left by its width over the frames and three
// pictures on top. The layer offsets and the shift rule are also those of
// bench/peers/export_gif_imagemagick.sh.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/raster_ops.h"
#include "model/project.h"
#include "render/frame_sequence.h"

namespace kt58::bench {

inline constexpr int kFrames = 100;

// A picture with many colours (smooth gradients plus a little structure)
// whose corner colour does not recur, so the layer's automatic transparent
// colour removes next to nothing.
inline Picture Pattern(int width, int height, int seed) {
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>((x * 255) / width + seed * 40);
      row[3 * x + 1] = static_cast<uint8_t>((y * 255) / height + ((x ^ y) & 15));
      row[3 * x + 2] = static_cast<uint8_t>(((x + y) * 2 + seed * 70) & 255);
    }
  }
  return p;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The project and its generated frames in a fresh folder under /tmp,
// removed with the object.
struct BenchProject {
  std::filesystem::path dir;
  std::unique_ptr<Project> project;
  // Dropped before the project, whose resources its layers count.
  FrameSequence sequence;
  BenchProject() {
    char tmpl[] = "/tmp/kt58-export-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    WriteBytes(dir / "base.bmp", EncodeBmp(Pattern(640, 480, 0)));
    WriteBytes(dir / "l1.bmp", EncodeBmp(Pattern(200, 150, 1)));
    WriteBytes(dir / "l2.bmp", EncodeBmp(Pattern(160, 120, 2)));
    WriteBytes(dir / "l3.bmp", EncodeBmp(Pattern(100, 80, 3)));
    project = std::make_unique<Project>();
    project->FrameCount = kFrames;
    project->FrameDelay = 100;
    // Layers are added on top: base first.
    project->AddLayerFromFile(dir / "base.bmp")->SetOther(true, pr_Left, false, false);
    const struct {
      const char* name;
      int x, y;
    } tops[] = {{"l1.bmp", 40, 30}, {"l2.bmp", 300, 200}, {"l3.bmp", 500, 60}};
    for (const auto& t : tops) project->AddLayerFromFile(dir / t.name)->SetPosition(t.x, t.y);
    sequence = MakeFrameSequence(*project);
  }
  ~BenchProject() {
    sequence = FrameSequence();
    project.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  BenchProject(const BenchProject&) = delete;
  BenchProject& operator=(const BenchProject&) = delete;
};

}  // namespace kt58::bench
