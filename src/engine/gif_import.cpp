// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/gif_import.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>
#include <system_error>

#include "engine/bmp_codec.h"
#include "engine/errors.h"

namespace kt58 {

namespace {

// Indices past the end of the image's colour table draw black.
std::array<std::array<uint8_t, 3>, 256> PixelTable(const std::vector<GifRgb>& palette) {
  std::array<std::array<uint8_t, 3>, 256> table{};
  const size_t n = std::min<size_t>(palette.size(), 256);
  for (size_t i = 0; i < n; ++i) table[i] = {palette[i].b, palette[i].g, palette[i].r};
  return table;
}

}  // namespace

DecodedGif ReadGifFile(const std::filesystem::path& path) {
  DecodedGif gif;
  try {
    gif = DecodeGifFile(path);
  } catch (const PlatformError& e) {
    throw EngineError(EngineErrorCode::GifDecode, e.what());
  }
  // A GIF without an image has no frame to show or animate.
  if (gif.images.empty()) throw EngineError(EngineErrorCode::GifDecode, path.string() + ": the GIF holds no image");
  return gif;
}

std::unique_ptr<DecodedGif> LoadGifFile(const std::filesystem::path& path) {
  try {
    return std::make_unique<DecodedGif>(ReadGifFile(path));
  } catch (const EngineError&) {
    // ReadGifFile raises only GifDecode.
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void PaintGifStill(const DecodedGif& gif, Picture& target) {
  const GifRgb bg = gif.BackgroundColor();
  for (int y = 0; y < target.Height(); ++y) {
    uint8_t* row = target.Row(y);
    for (int x = 0; x < target.Width(); ++x) {
      row[3 * x] = bg.b;
      row[3 * x + 1] = bg.g;
      row[3 * x + 2] = bg.r;
    }
  }
  if (!gif.images.empty()) DrawGifImage(gif, 0, target);
}

void DrawGifImage(const DecodedGif& gif, int index, Picture& target) {
  if (index < 0 || static_cast<size_t>(index) >= gif.images.size()) return;
  const GifImageData& image = gif.images[static_cast<size_t>(index)];
  const auto table = PixelTable(image.palette);
  // Visible part of the image in target coordinates; images may lie partly
  // or wholly outside the logical screen.
  const int x0 = std::max(0, image.left), x1 = std::min(target.Width(), image.left + image.width);
  const int y0 = std::max(0, image.top), y1 = std::min(target.Height(), image.top + image.height);
  if (x0 >= x1 || y0 >= y1) return;
  const int transparent = image.transparent_index;
  for (int y = y0; y < y1; ++y) {
    const uint8_t* src = image.indices.data() + static_cast<size_t>(y - image.top) * static_cast<size_t>(image.width) +
                         static_cast<size_t>(x0 - image.left);
    uint8_t* dst = target.Row(y) + 3 * static_cast<size_t>(x0);
    for (int x = x0; x < x1; ++x, ++src, dst += 3) {
      if (*src == transparent) continue;
      const auto& c = table[*src];
      dst[0] = c[0];
      dst[1] = c[1];
      dst[2] = c[2];
    }
  }
}

WorkPicture ImportGif(FrameStore& store, const std::filesystem::path& path, bool probe, Progress& progress) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  const std::unique_ptr<DecodedGif> gif = LoadGifFile(path);
  if (!gif) return nullptr;

  WorkPicture work = CreateSizedPicture24(gif->screen_width, gif->screen_height);
  PaintGifStill(*gif, *work);
  WorkPicture result = CreateWorkPicture24();
  result->Assign(*work);
  if (probe || !store.IsOpen()) return result;

  constexpr const char* kConverting = "Converting GIF to kt58 BlitStream";
  const int count = static_cast<int>(gif->images.size());
  progress.Begin("", false);
  progress.Report(kConverting, 0, count);

  store.FrameOffsets.clear();
  store.FrameCount = 0;
  // Every frame is stored at the logical screen's size, however small the
  // images drawn on it: a refusal says so, as the file's own size gives no hint.
  store.CheckRoomFor(count, *work,
                     "each of the GIF's " + std::to_string(count) + " frames is stored at its screen size of " +
                         std::to_string(gif->screen_width) + "x" + std::to_string(gif->screen_height) + ", " +
                         std::to_string(BmpImageSize(*work)) + " bytes");
  for (int i = 0; i < count; ++i) {
    if (progress.Cancelled()) {
      // Nothing of a cancelled import stays: no frames, no store file.
      store.Discard();
      throw Cancelled();
    }
    // No disposal: each frame is the previous one with image i drawn over.
    DrawGifImage(*gif, i, *work);
    // A frame that cannot be appended ends the import as failed rather than
    // leaving a store with frames missing; one the disk refuses raises.
    if (!store.AppendFrame(*work)) return nullptr;
    progress.Report(kConverting, i, count);
  }
  // The file's own count agrees with the frames from here on, whoever reads
  // its header next.
  store.WriteHeader();
  return result;
}

}  // namespace kt58
