// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/export_fixture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "engine/bmp_codec.h"
#include "engine/raster_ops.h"
#include "support/gif_builder.h"

namespace kt58::test {

namespace fs = std::filesystem;

Picture MakeFewColourPicture(int width, int height, int colours, uint32_t seed) {
  std::vector<Color> set;
  uint32_t s = seed * 2654435761u + 12345;
  for (int k = 0; k < colours; ++k) {
    s = s * 1103515245u + 12345;
    set.push_back(static_cast<Color>((s >> 8) & 0xFFFFFF));
  }
  Picture p(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelColor(p, x, y, set[static_cast<size_t>((x * 7 + y * 3 + (x * y) / 5) % colours)]);
  return p;
}

Picture MakeSmoothPicture(int width, int height) {
  constexpr double kTurn = 6.283185307179586;
  Picture p(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double u = double(x) / width, v = double(y) / height;
      uint8_t* px = p.Row(y) + 3 * static_cast<size_t>(x);
      px[0] = static_cast<uint8_t>(128 + 100 * std::sin(kTurn * u));
      px[1] = static_cast<uint8_t>(128 + 90 * std::cos(kTurn * v));
      px[2] = static_cast<uint8_t>(128 + 80 * std::sin(kTurn * (u + v)));
    }
  return p;
}

void ExportProject::Resequence() { sequence = MakeFrameSequence(*project); }

namespace {

// A base layer that rotates left by its width over the frames, and a third
// of its size on top at (2, 1).
ExportProject MakeTwoLayerProject(const TempDir& dir, const Picture& base_picture, const Picture& top_picture,
                                  int frame_count, int delay_ms) {
  ExportProject a;
  a->FrameCount = frame_count;
  a->FrameDelay = delay_ms;
  const fs::path base = dir / "base.bmp";
  WriteFileBytes(base, EncodeBmp(base_picture));
  const fs::path top = dir / "top.bmp";
  WriteFileBytes(top, EncodeBmp(top_picture));
  a->AddLayerFromFile(base)->SetOther(true, pr_Left, false, false);
  a->AddLayerFromFile(top)->SetPosition(2, 1);
  a.Resequence();
  return a;
}

}  // namespace

ExportProject MakeStillBackgroundProject(const TempDir& dir, int frames) {
  ExportProject a;
  a->FrameCount = frames;
  a->FrameDelay = 40;
  WriteFileBytes(dir / "base.bmp", EncodeBmp(MakeRandomPicture(48, 32, 11)));
  WriteFileBytes(dir / "top.bmp", EncodeBmp(MakeRandomPicture(12, 8, 12)));
  a->AddLayerFromFile(dir / "base.bmp");
  Layer* top = a->AddLayerFromFile(dir / "top.bmp");
  top->SetOther(true, pr_Left, false, false);
  top->SetPosition(5, 4);
  a.Resequence();
  return a;
}

ExportProject MakeStillProject(const TempDir& dir, int width, int height, int frame_count, int delay_ms,
                               int colours) {
  return MakeTwoLayerProject(dir, MakeFewColourPicture(width, height, colours, 1),
                             MakeFewColourPicture(std::max(1, width / 3), std::max(1, height / 3), 3, 2), frame_count,
                             delay_ms);
}

ExportProject MakeSmoothProject(const TempDir& dir, int width, int height, int frame_count, int delay_ms) {
  ExportProject a;
  a->FrameCount = frame_count;
  a->FrameDelay = delay_ms;
  const fs::path path = dir / "smooth.bmp";
  WriteFileBytes(path, EncodeBmp(MakeSmoothPicture(width, height)));
  Layer* layer = a->AddLayerFromFile(path);
  layer->SetOther(true, pr_Left, false, false);
  // The corner colour recurs along a curve; keyed out, it would punch
  // sharp holes. No pixel has this colour.
  layer->TransparentColor = RGBColor(1, 2, 3);
  a.Resequence();
  return a;
}

void AddAnimatedGifLayer(ExportProject& a, const TempDir& dir, int images) {
  const std::vector<GifRgb> palette = {{10, 20, 30}, {200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {250, 250, 10}};
  std::vector<GifImageSpec> specs;
  for (int k = 0; k < images; ++k) specs.push_back(SolidGifImage(0, 0, 4, 3, static_cast<uint8_t>(1 + k % 4)));
  const fs::path path = dir / "anim.gif";
  WriteFileBytes(path, BuildGif(4, 3, palette, 0, specs));
  a->AddLayerFromFile(path);
  a.Resequence();
}

WorkPicture RenderStoredFrame(const ExportProject& a, int i) {
  const SequencedFrame* frame = a.sequence.Frame(i);
  if (!frame) throw std::out_of_range("no generated frame " + std::to_string(i));
  return ComposeFrame(*a, frame, FrameClock::Stepping(i));
}

bool RunCapture(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  return ::pclose(pipe) == 0;
}

std::string Quote(const fs::path& p) {
  std::string out = "'";
  for (char c : p.string()) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::vector<std::string> FileNamesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    // The test process's list of the files it made (platform/owned_files)
    // lives there until the process ends.
    if (name.rfind(".kt58.", 0) == 0 && name.size() > 6 && name.substr(name.size() - 6) == ".owned") continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool HavePillow() {
  std::string out;
  return RunCapture("/usr/bin/python3 -c 'import PIL' 2>/dev/null", out);
}

}  // namespace kt58::test
