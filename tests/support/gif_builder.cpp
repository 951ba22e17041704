// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/gif_builder.h"

#include <fstream>

#include <gif_lib.h>

#include <stdexcept>

namespace kt58::test {

namespace {

int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

ColorMapObject* MakeMap(const std::vector<GifRgb>& palette) {
  if (palette.empty()) return nullptr;
  int count = 2;
  while (count < static_cast<int>(palette.size())) count *= 2;
  std::vector<GifColorType> colors(static_cast<size_t>(count), GifColorType{0, 0, 0});
  for (size_t i = 0; i < palette.size(); ++i) colors[i] = {palette[i].r, palette[i].g, palette[i].b};
  return GifMakeMapObject(count, colors.data());
}

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("BuildGif: ") + what);
}

}  // namespace

std::vector<uint8_t> BuildGif(int screen_width, int screen_height, const std::vector<GifRgb>& global_palette,
                              int background_index, const std::vector<GifImageSpec>& images) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
  Check(gif != nullptr, "EGifOpen");
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = MakeMap(global_palette);
  Check(EGifPutScreenDesc(gif, screen_width, screen_height, 8, background_index, global) == GIF_OK, "screen");
  GifFreeMapObject(global);
  for (const auto& image : images) {
    if (image.control_block) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = image.disposal;
      gcb.DelayTime = image.delay_cs;
      gcb.TransparentColor = image.transparent_index;
      GifByteType block[4];
      EGifGCBToExtension(&gcb, block);
      Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block) == GIF_OK, "extension");
    }
    // giflib's encoder drops its copy of the previous image's local table
    // without freeing it when the next image has none.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
    ColorMapObject* local = MakeMap(image.local_palette);
    Check(EGifPutImageDesc(gif, image.left, image.top, image.width, image.height, image.interlaced, local) == GIF_OK,
          "image descriptor");
    GifFreeMapObject(local);
    std::vector<int> order;
    if (image.interlaced) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < image.height; y += step[pass]) order.push_back(y);
    } else {
      for (int y = 0; y < image.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(image.indices.begin() + y * image.width,
                                    image.indices.begin() + (y + 1) * image.width);
      Check(EGifPutLine(gif, row.data(), image.width) == GIF_OK, "line");
    }
    // giflib keeps its own copy of a local table and overwrites it, unfreed,
    // at the next image descriptor.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
  }
  Check(EGifCloseFile(gif, &error) == GIF_OK, "close");
  return out;
}

GifImageSpec SolidGifImage(int left, int top, int width, int height, uint8_t index) {
  GifImageSpec s;
  s.left = left;
  s.top = top;
  s.width = width;
  s.height = height;
  s.indices.assign(static_cast<size_t>(width) * static_cast<size_t>(height), index);
  return s;
}

std::filesystem::path WriteSmallAnimatedGif(const std::filesystem::path& dir, const std::string& name) {
  const std::vector<GifRgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const std::filesystem::path path = dir / name;
  const std::vector<uint8_t> bytes =
      BuildGif(4, 3, palette, 0, {SolidGifImage(0, 0, 4, 3, 1), SolidGifImage(1, 1, 2, 2, 2), SolidGifImage(0, 0, 1, 1, 3)});
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path;
}

}  // namespace kt58::test
