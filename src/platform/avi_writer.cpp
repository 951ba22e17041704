#include "platform/avi_writer.h"

#include <cstdio>
#include <cstring>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "engine/picture_limits.h"

namespace kt58 {

namespace {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The muxer writes biSizeImage as width * height * 3, without the row
// padding that the samples carry; readers that size their buffers from it
// would come up short for widths whose rows need padding. Finds the first
// 'strf' chunk inside the header list and puts the padded size there.
bool PatchSizeImage(const std::filesystem::path& path, uint32_t size_image) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) return false;
  uint8_t head[4096];
  file.read(reinterpret_cast<char*>(head), sizeof head);
  const size_t got = static_cast<size_t>(file.gcount());
  file.clear();
  // RIFF 'AVI ' then nested chunks; only LIST 'hdrl' and LIST 'strl' are
  // entered, everything else skipped by its size.
  size_t pos = 12;
  while (pos + 8 <= got) {
    const uint32_t size = ReadLe32(head + pos + 4);
    if (std::memcmp(head + pos, "LIST", 4) == 0 && pos + 12 <= got &&
        (std::memcmp(head + pos + 8, "hdrl", 4) == 0 || std::memcmp(head + pos + 8, "strl", 4) == 0)) {
      pos += 12;
      continue;
    }
    if (std::memcmp(head + pos, "strf", 4) == 0) {
      if (size < 40 || pos + 8 + 24 > got) return false;
      const size_t field = pos + 8 + 20;
      const uint8_t bytes[4] = {static_cast<uint8_t>(size_image), static_cast<uint8_t>(size_image >> 8),
                                static_cast<uint8_t>(size_image >> 16), static_cast<uint8_t>(size_image >> 24)};
      file.seekp(static_cast<std::streamoff>(field));
      file.write(reinterpret_cast<const char*>(bytes), 4);
      file.flush();
      return static_cast<bool>(file);
    }
    pos += 8 + size + (size & 1);
  }
  return false;
}

}  // namespace

struct AviWriter::Impl {
  AVFormatContext* context = nullptr;
  AVPacket* packet = nullptr;
  bool header_written = false;
  bool finished = false;
  std::filesystem::path path;

  ~Impl() {
    av_packet_free(&packet);
    if (context) {
      if (context->pb) avio_closep(&context->pb);
      avformat_free_context(context);
    }
  }
};

AviWriter::AviWriter(const std::filesystem::path& path, int width, int height, int frame_ms)
    : impl_(std::make_unique<Impl>()) {
  using Stage = AviWriteError::Stage;
  impl_->path = path;
  // Frames are pictures: the picture limits keep the frame within the
  // header's 32-bit size field too.
  if (width <= 0 || height <= 0 || !WithinPictureLimits(width, height) || frame_ms <= 0)
    throw AviWriteError(Stage::SetFormat, "AVI frame size or duration out of range");
  frame_bytes_ = ((static_cast<size_t>(width) * 3 + 3) & ~size_t{3}) * static_cast<size_t>(height);
  // Padded rows add at most 3 bytes each.
  static_assert(uint64_t{kMaxPicturePixels} * 3 + uint64_t{kMaxPictureSide} * 3 <= 0xFFFFFFFFu);

  int rc = avformat_alloc_output_context2(&impl_->context, nullptr, "avi", nullptr);
  if (rc < 0 || !impl_->context) throw AviWriteError(Stage::CreateFile, "AVI muxer unavailable: " + AvErrorText(rc));
  {
    // The name goes to the file protocol explicitly and only that protocol
    // is allowed: a name with a colon ("12:30.avi", a folder "data:x/")
    // must never select another protocol.
    AVDictionary* io_options = nullptr;
    av_dict_set(&io_options, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + path.string();
    impl_->context->protocol_whitelist = av_strdup("file");
    rc = avio_open2(&impl_->context->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &io_options);
    av_dict_free(&io_options);
  }
  if (rc < 0) throw AviWriteError(Stage::CreateFile, "Cannot create " + path.string() + ": " + AvErrorText(rc));

  AVStream* stream = avformat_new_stream(impl_->context, nullptr);
  if (!stream) throw AviWriteError(Stage::CreateStream, "Cannot create the AVI video stream");
  AVCodecParameters* par = stream->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = AV_CODEC_ID_RAWVIDEO;
  par->codec_tag = 0;  // BI_RGB
  par->format = AV_PIX_FMT_BGR24;
  par->bits_per_coded_sample = 24;
  par->width = width;
  par->height = height;
  stream->time_base = AVRational{frame_ms, 1000};
  stream->avg_frame_rate = AVRational{1000, frame_ms};
  stream->r_frame_rate = stream->avg_frame_rate;

  impl_->packet = av_packet_alloc();
  if (!impl_->packet) throw AviWriteError(Stage::CreateStream, "Out of memory for the AVI packet");

  AVDictionary* options = nullptr;
  // Positive biHeight: rows stored bottom-up, as the samples hold them.
  av_dict_set(&options, "flipped_raw_rgb", "1", 0);
  rc = avformat_write_header(impl_->context, &options);
  av_dict_free(&options);
  if (rc < 0) throw AviWriteError(Stage::SetFormat, "Cannot write the AVI header: " + AvErrorText(rc));
  impl_->header_written = true;
}

AviWriter::~AviWriter() = default;

void AviWriter::WriteFrame(const uint8_t* data, size_t size) {
  using Stage = AviWriteError::Stage;
  if (impl_->finished || size != frame_bytes_)
    throw AviWriteError(Stage::WriteFrame, "AVI frame of the wrong size");
  AVPacket* packet = impl_->packet;
  av_packet_unref(packet);
  // Not reference counted: av_write_frame hands it to the muxer, which
  // writes it straight out without keeping it.
  packet->data = const_cast<uint8_t*>(data);
  packet->size = static_cast<int>(size);
  packet->stream_index = 0;
  packet->pts = packet->dts = frames_;
  packet->duration = 1;
  packet->flags = AV_PKT_FLAG_KEY;
  const int rc = av_write_frame(impl_->context, packet);
  packet->data = nullptr;
  packet->size = 0;
  if (rc < 0 || impl_->context->pb->error < 0)
    throw AviWriteError(Stage::WriteFrame, "Cannot write AVI frame: " + AvErrorText(rc < 0 ? rc : impl_->context->pb->error));
  ++frames_;
}

void AviWriter::Finish() {
  using Stage = AviWriteError::Stage;
  if (impl_->finished) return;
  impl_->finished = true;
  int rc = av_write_trailer(impl_->context);
  if (rc >= 0 && impl_->context->pb->error < 0) rc = impl_->context->pb->error;
  const int close_rc = avio_closep(&impl_->context->pb);
  if (rc < 0) throw AviWriteError(Stage::Finish, "Cannot finish the AVI file: " + AvErrorText(rc));
  if (close_rc < 0) throw AviWriteError(Stage::Finish, "Cannot close the AVI file: " + AvErrorText(close_rc));
  if (!PatchSizeImage(impl_->path, static_cast<uint32_t>(frame_bytes_)))
    throw AviWriteError(Stage::Finish, "Cannot complete the AVI stream format");
}

}  // namespace kt58
