// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "platform/atomic_file.h"

namespace kt58 {

namespace {

// A progressive file may hold any number of scans, each a full pass over the
// coefficients; real encoders write about a dozen. The cap keeps hostile
// files from turning a small input into minutes of work.
constexpr int kMaxScans = 500;
// Recoverable corrupt-data warnings tolerated before the image is refused.
constexpr long kMaxWarnings = 1000;

// libjpeg reports errors through callbacks that must not return. They
// longjmp back to the one function that set the jump buffer; that function
// and everything between it and the jump hold no C++ object with a
// destructor, so nothing is skipped.
struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg sees only this part
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void FailWithLibraryMessage(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void OnErrorExit(j_common_ptr cinfo) { FailWithLibraryMessage(cinfo); }

void OnEmitMessage(j_common_ptr cinfo, int msg_level) {
  if (msg_level >= 0) return;  // trace messages
  // A file cut short is padded by libjpeg with an end marker and would decode
  // as grey rows; the caller is told instead.
  if (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->num_warnings >= kMaxWarnings)
    FailWithLibraryMessage(cinfo);
  cinfo->err->num_warnings++;
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "too many scans (more than %d)", kMaxScans);
    std::longjmp(err->jump, 1);
  }
}

void InstallErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = OnErrorExit;
  err.pub.emit_message = OnEmitMessage;
  err.message[0] = '\0';
}

inline uint8_t Mul255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

bool DecodeInto(jpeg_decompress_struct* cinfo, ErrorManager* err, jpeg_progress_mgr* progress,
                const uint8_t* data, size_t size, int64_t max_pixels, JpegImage* out,
                std::vector<uint8_t>* row_buffer) {
  if (setjmp(err->jump)) return false;
  jpeg_create_decompress(cinfo);
  cinfo->progress = progress;
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);

  const int64_t w = cinfo->image_width;
  const int64_t h = cinfo->image_height;
  if (w < 1 || h < 1 || w * h > max_pixels || !WithinPictureLimits(w, h)) {
    std::snprintf(err->message, sizeof err->message,
                  "image size %lld x %lld is beyond the picture size limit (%d per side, %lld pixels)",
                  static_cast<long long>(w), static_cast<long long>(h), kMaxPictureSide,
                  static_cast<long long>(std::min(max_pixels, kMaxPicturePixels)));
    return false;
  }
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE: cinfo->out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: cinfo->out_color_space = JCS_CMYK; break;
    default: cinfo->out_color_space = JCS_RGB; break;
  }
  jpeg_start_decompress(cinfo);

  const size_t width = cinfo->output_width;
  const size_t components = static_cast<size_t>(cinfo->output_components);
  out->width = static_cast<int>(cinfo->output_width);
  out->height = static_cast<int>(cinfo->output_height);
  out->rgb.assign(width * 3 * cinfo->output_height, 0);
  row_buffer->assign(width * components, 0);
  // Photoshop writes CMYK with every byte inverted and marks it with an
  // Adobe APP14 segment; libjpeg itself writes that marker for CMYK too.
  const bool inverted = cinfo->saw_Adobe_marker != 0;

  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* dst = out->rgb.data() + static_cast<size_t>(cinfo->output_scanline) * width * 3;
    JSAMPROW row = components == 3 ? dst : row_buffer->data();
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
      std::snprintf(err->message, sizeof err->message, "no scanline could be read");
      return false;
    }
    const uint8_t* src = row_buffer->data();
    if (components == 1) {
      for (size_t x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
    } else if (components == 4) {
      for (size_t x = 0; x < width; ++x) {
        unsigned c = src[4 * x], m = src[4 * x + 1], y = src[4 * x + 2], k = src[4 * x + 3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          y = 255 - y;
          k = 255 - k;
        }
        dst[3 * x] = Mul255(c, k);
        dst[3 * x + 1] = Mul255(m, k);
        dst[3 * x + 2] = Mul255(y, k);
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

bool EncodeInto(jpeg_compress_struct* cinfo, ErrorManager* err, const JpegImage* image, int quality,
                unsigned char** buffer, unsigned long* buffer_size) {
  if (setjmp(err->jump)) return false;
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, buffer, buffer_size);
  cinfo->image_width = static_cast<JDIMENSION>(image->width);
  cinfo->image_height = static_cast<JDIMENSION>(image->height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  const size_t stride = static_cast<size_t>(image->width) * 3;
  while (cinfo->next_scanline < cinfo->image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<uint8_t*>(image->rgb.data()) + cinfo->next_scanline * stride;
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

JpegImage DecodeJpeg(const uint8_t* data, size_t size, int64_t max_pixels) {
  if (data == nullptr || size == 0) throw PlatformError(PlatformErrorCode::Jpeg, "JPEG data is empty");
  JpegImage out;
  std::vector<uint8_t> row_buffer;
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  InstallErrorManager(err);
  cinfo.err = &err.pub;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = OnProgress;
  const bool ok = DecodeInto(&cinfo, &err, &progress, data, size, max_pixels, &out, &row_buffer);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) throw PlatformError(PlatformErrorCode::Jpeg, std::string("JPEG cannot be decoded: ") + err.message);
  return out;
}

JpegImage DecodeJpegFile(const std::filesystem::path& path, int64_t max_pixels) {
  // Compressed data never outgrows the raw pixels by much; a larger file is
  // refused before it is read into memory.
  constexpr uintmax_t kMaxFileBytes = static_cast<uintmax_t>(kMaxPicturePixels) * 3 + (64u << 20);
  std::error_code ec;
  const uintmax_t length = std::filesystem::file_size(path, ec);
  if (!ec && length > kMaxFileBytes)
    throw PlatformError(PlatformErrorCode::Jpeg, path.string() + ": the file is too large for a picture");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PlatformError(PlatformErrorCode::Jpeg, path.string() + ": cannot open the file");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    return DecodeJpeg(bytes.data(), bytes.size(), max_pixels);
  } catch (const PlatformError& e) {
    throw PlatformError(PlatformErrorCode::Jpeg, path.string() + ": " + e.what());
  }
}

std::vector<uint8_t> EncodeJpeg(const JpegImage& image, int quality) {
  if (image.width < 1 || image.height < 1 || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
    throw PlatformError(PlatformErrorCode::Jpeg, "JPEG cannot hold an image of that size");
  if (image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3)
    throw PlatformError(PlatformErrorCode::Jpeg, "JPEG encoding: pixel data does not match the image size");
  if (quality < 1) quality = 1;
  if (quality > 100) quality = 100;
  jpeg_compress_struct cinfo{};
  ErrorManager err;
  InstallErrorManager(err);
  cinfo.err = &err.pub;
  unsigned char* buffer = nullptr;
  unsigned long buffer_size = 0;
  const bool ok = EncodeInto(&cinfo, &err, &image, quality, &buffer, &buffer_size);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> result;
  if (ok && buffer) result.assign(buffer, buffer + buffer_size);
  std::free(buffer);
  if (!ok) throw PlatformError(PlatformErrorCode::Jpeg, std::string("JPEG cannot be encoded: ") + err.message);
  return result;
}

void EncodeJpegFile(const JpegImage& image, int quality, const std::filesystem::path& path) {
  WriteFileAtomically(path, EncodeJpeg(image, quality));
}

}  // namespace kt58
