// SPDX-License-Identifier: GPL-3.0-or-later
#include "gif_decode_helpers.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kt58::test {
namespace {

struct MemoryInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* in = static_cast<MemoryInput*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(length), in->size - in->pos);
  std::memcpy(buffer, in->data + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

GifPalette PaletteOf(const ColorMapObject* map) {
  GifPalette p;
  if (!map) return p;
  for (int i = 0; i < map->ColorCount; ++i)
    p.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return p;
}

std::vector<uint8_t> HexBytes(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

}  // namespace

DecodedGif DecodeWithGiflib(const std::vector<uint8_t>& bytes) {
  DecodedGif out;
  MemoryInput in{bytes.data(), bytes.size(), 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&in, ReadMemory, &error);
  if (!gif) {
    ADD_FAILURE() << "giflib could not open the file: " << GifErrorString(error);
    return out;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "giflib could not decode the file: " << GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    return out;
  }
  if (bytes.size() >= 6) out.version.assign(reinterpret_cast<const char*>(bytes.data()) + 3, 3);
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.global = PaletteOf(gif->SColorMap);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& img = gif->SavedImages[i];
    DecodedFrame f;
    f.left = img.ImageDesc.Left;
    f.top = img.ImageDesc.Top;
    f.width = img.ImageDesc.Width;
    f.height = img.ImageDesc.Height;
    f.local_map = img.ImageDesc.ColorMap != nullptr;
    f.palette = f.local_map ? PaletteOf(img.ImageDesc.ColorMap) : out.global;
    f.indices.assign(img.RasterBits, img.RasterBits + static_cast<size_t>(f.width) * f.height);
    for (int e = 0; e < img.ExtensionBlockCount; ++e) {
      const ExtensionBlock& b = img.ExtensionBlocks[e];
      std::vector<uint8_t> data(b.Bytes, b.Bytes + b.ByteCount);
      if (b.Function == CONTINUE_EXT_FUNC_CODE && !f.extensions.empty())
        f.extensions.back().continuation.push_back(std::move(data));
      else
        f.extensions.push_back({b.Function, std::move(data), {}});
    }
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      for (const auto& e : f.extensions) f.has_gce |= e.function == GRAPHICS_EXT_FUNC_CODE;
      f.disposal = gcb.DisposalMode;
      f.delay = gcb.DelayTime;
      f.transparent = gcb.TransparentColor;
      f.user_input = gcb.UserInputFlag;
    }
    out.frames.push_back(std::move(f));
  }
  DGifCloseFile(gif, &error);
  return out;
}

std::optional<std::vector<PillowImage>> DecodeWithPillow(const std::vector<std::filesystem::path>& files) {
  static const char* kScript =
      "import sys\n"
      "from PIL import Image\n"
      "for p in sys.argv[1:]:\n"
      "    im = Image.open(p)\n"
      "    im.load()\n"
      "    pal = im.getpalette() or []\n"
      "    print(im.size[0], im.size[1], im.mode, bytes(pal).hex() or '-', im.tobytes().hex() or '-')\n";
  if (files.empty() || std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0) return std::nullopt;
  const std::filesystem::path script = files.front().parent_path() / "pillow_decode.py";
  std::ofstream(script) << kScript;
  std::string command = "/usr/bin/python3 '" + script.string() + "'";
  for (const auto& f : files) command += " '" + f.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string text;
  char buffer[65536];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  if (pclose(pipe) != 0) {
    ADD_FAILURE() << "Pillow failed on the files";
    return std::vector<PillowImage>{};
  }
  std::vector<PillowImage> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    PillowImage im;
    std::string pal, idx;
    fields >> im.width >> im.height >> im.mode >> pal >> idx;
    const std::vector<uint8_t> p = pal == "-" ? std::vector<uint8_t>{} : HexBytes(pal);
    for (size_t i = 0; i + 2 < p.size(); i += 3) im.palette.push_back({p[i], p[i + 1], p[i + 2]});
    im.indices = idx == "-" ? std::vector<uint8_t>{} : HexBytes(idx);
    out.push_back(std::move(im));
  }
  return out;
}

std::optional<std::vector<std::vector<GifColor>>> PlayWithPillow(const std::filesystem::path& file) {
  static const char* kScript =
      "import sys\n"
      "from PIL import Image, ImageSequence\n"
      "for frame in ImageSequence.Iterator(Image.open(sys.argv[1])):\n"
      "    print(frame.convert('RGB').tobytes().hex())\n";
  if (std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0) return std::nullopt;
  const std::filesystem::path script = file.parent_path() / "pillow_play.py";
  std::ofstream(script) << kScript;
  FILE* pipe = popen(("/usr/bin/python3 '" + script.string() + "' '" + file.string() + "'").c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string text;
  char buffer[65536];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  std::vector<std::vector<GifColor>> frames;
  if (pclose(pipe) != 0) {
    ADD_FAILURE() << "Pillow failed on " << file;
    return frames;
  }
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<uint8_t> rgb = HexBytes(line);
    std::vector<GifColor> pixels;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) pixels.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
    frames.push_back(std::move(pixels));
  }
  return frames;
}

std::vector<ShownPicture> Composite(const DecodedGif& gif) {
  std::vector<ShownPicture> shown;
  std::vector<uint32_t> screen(static_cast<size_t>(gif.width) * gif.height, kUnset);
  for (const DecodedFrame& f : gif.frames) {
    const std::vector<uint32_t> before = screen;
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x) {
        const int sx = f.left + x, sy = f.top + y;
        if (sx >= gif.width || sy >= gif.height) continue;
        const uint8_t v = f.indices[static_cast<size_t>(y) * f.width + x];
        if (v == f.transparent) continue;
        const GifColor c = f.palette.at(v);
        screen[static_cast<size_t>(sy) * gif.width + sx] = (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
      }
    if (!shown.empty() && shown.back().pixels == screen)
      shown.back().delay += f.delay;
    else
      shown.push_back({screen, f.delay});
    if (f.disposal == 2) {
      for (int y = f.top; y < std::min(gif.height, f.top + f.height); ++y)
        for (int x = f.left; x < std::min(gif.width, f.left + f.width); ++x) screen[static_cast<size_t>(y) * gif.width + x] = kUnset;
    } else if (f.disposal == 3) {
      screen = before;
    }
  }
  return shown;
}

}  // namespace kt58::test
