// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/png_writer.h"

#include <png.h>

#include <string>

#include "platform/atomic_file.h"

namespace kt58 {

namespace {

[[noreturn]] void Fail(const std::string& why) { throw PlatformError(PlatformErrorCode::Png, "Cannot encode PNG: " + why); }

// libpng reports errors by longjmp; the message is kept here so that it can
// be raised as an exception once the jump has left libpng's frames.
struct EncodeState {
  std::vector<uint8_t>* out = nullptr;
  std::string error;
};

void OnError(png_structp png, png_const_charp message) {
  static_cast<EncodeState*>(png_get_error_ptr(png))->error = message ? message : "unknown error";
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnWrite(png_structp png, png_bytep data, size_t size) {
  std::vector<uint8_t>& out = *static_cast<EncodeState*>(png_get_io_ptr(png))->out;
  out.insert(out.end(), data, data + size);
}

void OnFlush(png_structp) {}

}  // namespace

std::vector<uint8_t> EncodePng(int width, int height, std::span<const uint8_t* const> rows, PngPixelOrder order) {
  if (width <= 0 || height <= 0) Fail("a picture of " + std::to_string(width) + " x " + std::to_string(height));
  if (rows.size() != static_cast<size_t>(height))
    Fail(std::to_string(rows.size()) + " rows for a height of " + std::to_string(height));
  std::vector<uint8_t> out;
  EncodeState state{&out, {}};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) Fail("out of memory");
  png_infop info = png_create_info_struct(png);
  // Nothing below may own resources across the jump: the state and output
  // live in this frame's variables, released by the normal way out.
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    Fail(state.error.empty() ? "out of memory" : state.error);
  }
  png_set_write_fn(png, &state, OnWrite, OnFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               order == PngPixelOrder::Bgra ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (order != PngPixelOrder::Rgb) png_set_bgr(png);
  // libpng only reads the rows; its interface predates const.
  for (const uint8_t* row : rows) png_write_row(png, const_cast<png_bytep>(row));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

uint64_t PngBytesBound(int width, int height, PngPixelOrder order) {
  if (width <= 0 || height <= 0) return 0;
  // Each row is a filter byte and its samples. Deflate's stored blocks add
  // 5 bytes per 65535, libpng's IDAT chunks 12 per 8192; signature, IHDR,
  // IEND and the zlib framing stay well under the fixed allowance.
  const uint64_t samples = order == PngPixelOrder::Bgra ? 4 : 3;
  const uint64_t data = (samples * static_cast<uint64_t>(width) + 1) * static_cast<uint64_t>(height);
  return data + (data / 65535 + 1) * 5 + (data / 8192 + 1) * 12 + 1024;
}

void WritePngFile(const std::filesystem::path& path, int width, int height, std::span<const uint8_t* const> rows,
                  PngPixelOrder order) {
  WriteFileAtomically(path, EncodePng(width, height, rows, order));
}

}  // namespace kt58
