// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gif_decoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>

#include "platform/picture_limits.h"

namespace kt58 {

namespace {

// All images of one GIF together; their indices (a byte per pixel) are held
// in memory at once, so this bounds the decoded GIF to 256 MiB: eight
// pictures at the size limit, or 870 full frames of 640 x 480.
constexpr int64_t kMaxTotalPixels = int64_t{1} << 28;
// One LZW code of at least 2 bits yields at most 4096 pixels, so a byte of
// image data can never stand for more pixels than this. An image claiming
// more than the rest of the file can hold is refused before allocation.
constexpr int64_t kMaxPixelsPerByte = 16384;
constexpr uintmax_t kMaxFileBytes = uintmax_t{1} << 31;

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  if (length <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(length), r->size - r->pos);
  if (n) std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const noexcept {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(const std::string& what, int error = 0) {
  std::string text = "Cannot read the GIF: " + what;
  if (error != 0) {
    if (const char* s = GifErrorString(error)) text += std::string(" (") + s + ")";
  }
  throw PlatformError(PlatformErrorCode::GifDecode, text);
}

GifHandle Open(MemoryReader& reader) {
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
  if (!gif) Fail("not a GIF file", error);
  GifHandle handle(gif);
  if (gif->SWidth <= 0 || gif->SHeight <= 0) Fail("the logical screen is empty");
  if (!WithinPictureLimits(gif->SWidth, gif->SHeight))
    Fail("the logical screen " + PictureLimitText(gif->SWidth, gif->SHeight));
  return handle;
}

std::vector<GifRgb> Palette(const ColorMapObject* map) {
  std::vector<GifRgb> out;
  if (!map || !map->Colors || map->ColorCount <= 0) return out;
  const int count = std::min(map->ColorCount, 256);
  out.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) out.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return out;
}

// Skips the rest of an extension's sub-blocks.
void SkipExtension(GifFileType* gif, GifByteType* block) {
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) Fail("an extension is cut short", gif->Error);
  }
}

// Walks the records. With `images` null the pixel data is skipped undecoded
// (counting only); otherwise every image is decoded into it. Files cut short
// or damaged after their first whole image are common (interrupted
// downloads): the whole images before the fault stand, the damaged one is
// dropped. A fault before any whole image raises PlatformError (GifDecode).
int WalkRecords(GifFileType* gif, const MemoryReader& reader, std::vector<GifImageData>* images, int& count);

int Walk(GifFileType* gif, const MemoryReader& reader, std::vector<GifImageData>* images) {
  int count = 0;
  try {
    return WalkRecords(gif, reader, images, count);
  } catch (const PlatformError&) {
    if (count == 0) throw;
    return count;
  }
}

int WalkRecords(GifFileType* gif, const MemoryReader& reader, std::vector<GifImageData>* images, int& count) {
  GraphicsControlBlock gcb{};
  bool have_gcb = false;
  int64_t total_pixels = 0;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) Fail("the file is cut short", gif->Error);
    if (type == TERMINATE_RECORD_TYPE) return count;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) Fail("an extension is cut short", gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) have_gcb = true;
      }
      SkipExtension(gif, block);
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) Fail("unknown record");

    if (DGifGetImageDesc(gif) == GIF_ERROR) Fail("an image descriptor is damaged", gif->Error);
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0) Fail("an image is empty");
    if (!WithinPictureLimits(desc.Width, desc.Height)) Fail("an image of " + PictureLimitText(desc.Width, desc.Height));
    const int64_t pixels = int64_t{desc.Width} * desc.Height;
    const int64_t bytes_left = static_cast<int64_t>(reader.size - reader.pos);
    if (pixels > bytes_left * kMaxPixelsPerByte) Fail("an image's data is cut short");
    total_pixels += pixels;
    if (total_pixels > kMaxTotalPixels)
      Fail("the images hold more than " + std::to_string(kMaxTotalPixels) + " pixels together");

    if (!images) {
      int code_size = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR) Fail("an image's data is cut short", gif->Error);
      while (block) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) Fail("an image's data is cut short", gif->Error);
      }
    } else {
      GifImageData image;
      image.left = desc.Left;
      image.top = desc.Top;
      image.width = desc.Width;
      image.height = desc.Height;
      image.palette = Palette(desc.ColorMap ? desc.ColorMap : gif->SColorMap);
      // Rows are decoded in stream order into a buffer that grows with what
      // actually decodes: damaged data that claims a huge image fails long
      // before the whole image has been allocated.
      const size_t w = static_cast<size_t>(desc.Width);
      const int h = desc.Height;
      std::vector<uint8_t> stream;
      for (int y = 0; y < h; ++y) {
        stream.resize(stream.size() + w);
        if (DGifGetLine(gif, stream.data() + stream.size() - w, desc.Width) == GIF_ERROR)
          Fail("an image's data is damaged", gif->Error);
      }
      if (desc.Interlace) {
        // Passes of rows 0, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ...
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        image.indices.resize(stream.size());
        const uint8_t* from = stream.data();
        for (int pass = 0; pass < 4; ++pass)
          for (int y = kStart[pass]; y < h; y += kStep[pass], from += w)
            std::memcpy(image.indices.data() + static_cast<size_t>(y) * w, from, w);
      } else {
        image.indices = std::move(stream);
      }
      if (have_gcb) {
        image.transparent_index = gcb.TransparentColor;
        image.disposal = gcb.DisposalMode;
        image.delay_cs = gcb.DelayTime;
      }
      images->push_back(std::move(image));
    }
    have_gcb = false;
    gcb = GraphicsControlBlock{};
    ++count;
  }
}

}  // namespace

GifRgb DecodedGif::BackgroundColor() const {
  if (background_index >= 0 && static_cast<size_t>(background_index) < global_palette.size())
    return global_palette[static_cast<size_t>(background_index)];
  return GifRgb{};
}

DecodedGif DecodeGif(const uint8_t* data, size_t size) {
  MemoryReader reader{data, size, 0};
  GifHandle gif = Open(reader);
  DecodedGif out;
  out.screen_width = gif->SWidth;
  out.screen_height = gif->SHeight;
  out.global_palette = Palette(gif->SColorMap);
  out.background_index = gif->SBackGroundColor;
  Walk(gif.get(), reader, &out.images);
  return out;
}

namespace {

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec)
    throw PlatformError(PlatformErrorCode::GifDecode, "Cannot read the GIF " + path.string() + ": " + ec.message());
  if (size > kMaxFileBytes)
    throw PlatformError(PlatformErrorCode::GifDecode,
                        "Cannot read the GIF " + path.string() + ": the file is too large");
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw PlatformError(PlatformErrorCode::GifDecode,
                        "Cannot read the GIF " + path.string() + ": cannot open the file");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
    throw PlatformError(PlatformErrorCode::GifDecode, "Cannot read the GIF " + path.string() + ": read error");
  return bytes;
}

}  // namespace

DecodedGif DecodeGifFile(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  try {
    return DecodeGif(bytes.data(), bytes.size());
  } catch (const PlatformError& e) {
    throw PlatformError(PlatformErrorCode::GifDecode, path.string() + ": " + e.what());
  }
}

int GifImageCount(const std::filesystem::path& path) {
  try {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    MemoryReader reader{bytes.data(), bytes.size(), 0};
    GifHandle gif = Open(reader);
    return Walk(gif.get(), reader, nullptr);
  } catch (const PlatformError&) {
    return -1;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

}  // namespace kt58
