// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/video_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/ffmpeg_support.h"
#include "platform/picture_limits.h"
#include "platform/text_helpers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace kt58 {

namespace {

using Stage = PlatformErrorCode;

struct FormatInfo {
  VideoFormat format;
  const char* muxer;
  const char* encoder;  // nullptr: frames stored as given
  const char* name;
  AVPixelFormat pixels;  // what the encoder is fed
};

// The encoders' input formats are the ones the ffmpeg tool picks for 24-bit
// input, so both encode the same pictures: ARGB for WebP (libwebp converts
// lossy frames to YUV itself), RGB for APNG.
constexpr FormatInfo kFormats[] = {
    {VideoFormat::Avi, "avi", nullptr, "AVI", AV_PIX_FMT_BGR24},
    {VideoFormat::WebP, "webp", "libwebp_anim", "WebP", AV_PIX_FMT_BGRA},
    {VideoFormat::Apng, "apng", "apng", "APNG", AV_PIX_FMT_RGB24},
    {VideoFormat::Mp4, "mp4", "libx264", "MP4", AV_PIX_FMT_YUV420P},
    {VideoFormat::WebM, "webm", "libvpx-vp9", "WebM", AV_PIX_FMT_YUV420P},
};

const FormatInfo& InfoFor(VideoFormat format) {
  for (const FormatInfo& f : kFormats)
    if (f.format == format) return f;
  return kFormats[0];
}

constexpr struct {
  const char* extension;
  VideoFormat format;
} kExtensions[] = {{".webp", VideoFormat::WebP},
                   {".apng", VideoFormat::Apng},
                   {".png", VideoFormat::Apng},
                   {".mp4", VideoFormat::Mp4},
                   {".webm", VideoFormat::WebM}};

// An encoder's own scale at quality 0, at the default quality and at 100,
// linear in between.
int MapQuality(int quality, int at_0, int at_default, int at_100) {
  const int q = std::clamp(quality, 0, 100);
  const double value =
      q >= kDefaultVideoQuality
          ? at_default + (at_100 - at_default) * double(q - kDefaultVideoQuality) / (100 - kDefaultVideoQuality)
          : at_0 + (at_default - at_0) * double(q) / kDefaultVideoQuality;
  return static_cast<int>(std::lround(value));
}

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The AVI muxer writes biSizeImage as width * height * 3, without the row
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

struct DictionaryScope {
  AVDictionary* dict = nullptr;
  ~DictionaryScope() { av_dict_free(&dict); }
  void Set(const char* key, const std::string& value) { av_dict_set(&dict, key, value.c_str(), 0); }
};

}  // namespace

std::optional<VideoFormat> VideoFormatForFile(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  for (const auto& e : kExtensions)
    if (SameTextIgnoringCase(ext, e.extension)) return e.format;
  return std::nullopt;
}

const char* VideoFileExtensionsText() { return "webp, apng, png, mp4, webm"; }

const char* VideoEncoderName(VideoFormat format) { return InfoFor(format).encoder; }

const char* VideoFormatName(VideoFormat format) { return InfoFor(format).name; }

std::string VideoEncoderMissingText(VideoFormat format) {
  const FormatInfo& info = InfoFor(format);
  if (!info.encoder || avcodec_find_encoder_by_name(info.encoder)) return {};
  return std::string("this FFmpeg has no ") + info.encoder + " encoder, which " + info.name + " files need";
}

int WebPQuality(int quality) { return MapQuality(quality, 0, 80, 100); }

int X264Crf(int quality) { return MapQuality(quality, 51, 20, 0); }

int Vp9Crf(int quality) { return MapQuality(quality, 63, 31, 0); }

struct VideoWriter::Impl {
  FormatInfo info{};
  AVFormatContext* context = nullptr;
  AVCodecContext* codec = nullptr;  // none for AVI
  AVStream* stream = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* sws = nullptr;
  int width = 0, height = 0;              // of the frames handed over
  int pixel_bytes = 3;                    // 4 with alpha
  int coded_width = 0, coded_height = 0;  // of the encoded pictures
  // Odd sides for 4:2:0: the frame copied top-down into a picture one
  // column / row larger, whose extra column and row keep the padding colour.
  std::vector<uint8_t> padded;
  bool finished = false;
  std::filesystem::path path;
  std::filesystem::path shown;  // the name failures give

  ~Impl() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    if (context) {
      if (context->pb) avio_closep(&context->pb);
      avformat_free_context(context);
    }
  }

  void OpenFile(const std::filesystem::path& file) {
    int rc = avformat_alloc_output_context2(&context, nullptr, info.muxer, nullptr);
    if (rc < 0 || !context)
      throw PlatformError(Stage::VideoCreateFile, std::string(info.name) + " muxer unavailable: " + AvErrorText(rc));
    // "file:" makes a name like "a:b.mp4" a file name; the whitelist also
    // binds the muxer's own reopening (the MP4 moov move) to files.
    const std::string url = "file:" + file.string();
    context->url = av_strdup(url.c_str());
    av_opt_set(context, "protocol_whitelist", "file", 0);
    DictionaryScope io;
    io.Set("protocol_whitelist", "file");
    rc = avio_open2(&context->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &io.dict);
    if (rc < 0) throw PlatformError(Stage::VideoCreateFile, "Cannot create " + file.string() + ": " + AvErrorText(rc));
  }

  void OpenEncoder(const AVCodec* encoder, const VideoWriterSettings& s) {
    codec = avcodec_alloc_context3(encoder);
    if (!codec) throw PlatformError(Stage::VideoCreateStream, "Out of memory for the encoder");
    codec->width = coded_width;
    codec->height = coded_height;
    codec->pix_fmt = EncodedPixels();
    // One tick per frame, as a constant frame rate.
    codec->time_base = AVRational{s.frame_ms, 1000};
    codec->framerate = AVRational{1000, s.frame_ms};
    if (context->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    DictionaryScope options;
    options.Set("threads", s.threads > 0 ? std::to_string(s.threads) : std::string("auto"));
    switch (s.format) {
      case VideoFormat::WebP:
        codec->global_quality = WebPQuality(s.quality) * FF_QP2LAMBDA;
        if (s.lossless) options.Set("lossless", "1");
        break;
      case VideoFormat::Mp4:
        options.Set("crf", std::to_string(X264Crf(s.quality)));
        if (s.lookahead >= 0) options.Set("rc-lookahead", std::to_string(s.lookahead));
        break;
      case VideoFormat::WebM:
        // Constant quality needs a bit rate of 0; speed 4 of "good" keeps a
        // 100-frame export to seconds.
        codec->bit_rate = 0;
        options.Set("crf", std::to_string(Vp9Crf(s.quality)));
        options.Set("deadline", "good");
        options.Set("cpu-used", "4");
        options.Set("row-mt", "1");
        if (s.lookahead >= 0) options.Set("lag-in-frames", std::to_string(s.lookahead));
        break;
      case VideoFormat::Apng:
      case VideoFormat::Avi:
        break;
    }
    int rc = avcodec_open2(codec, encoder, &options.dict);
    if (rc < 0)
      throw PlatformError(Stage::VideoCreateStream,
                          std::string("Cannot open the ") + info.encoder + " encoder: " + AvErrorText(rc));
    rc = avcodec_parameters_from_context(stream->codecpar, codec);
    if (rc < 0) throw PlatformError(Stage::VideoCreateStream, "Cannot set the stream parameters: " + AvErrorText(rc));
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;

    frame = av_frame_alloc();
    if (!frame) throw PlatformError(Stage::VideoCreateStream, "Out of memory for the frame");
    frame->format = codec->pix_fmt;
    frame->width = coded_width;
    frame->height = coded_height;
    rc = av_frame_get_buffer(frame, 0);
    if (rc < 0) throw PlatformError(Stage::VideoCreateStream, "Out of memory for the frame: " + AvErrorText(rc));
    // Bicubic, as the ffmpeg tool converts. For 4:2:0, accurate rounding
    // keeps swscale off its fast BGR-to-4:2:0 path, whose chroma is visibly
    // less faithful (the benchmark's ffmpeg peer is given the same flags);
    // the RGB targets keep their exact, fast byte reordering.
    const int flags = SWS_BICUBIC | (info.pixels == AV_PIX_FMT_YUV420P ? SWS_ACCURATE_RND : 0);
    sws = sws_getContext(coded_width, coded_height, pixel_bytes == 4 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24, coded_width,
                         coded_height, codec->pix_fmt, flags, nullptr, nullptr, nullptr);
    if (!sws) throw PlatformError(Stage::VideoCreateStream, "Cannot convert frames for the encoder");
    if (coded_width != width || coded_height != height) {
      const size_t row = static_cast<size_t>(coded_width) * 3;
      padded.resize(row * static_cast<size_t>(coded_height));
      for (size_t i = 0; i < padded.size(); i += 3) std::copy(s.pad_bgr.begin(), s.pad_bgr.end(), padded.begin() + i);
    }
  }

  // Hands every packet the encoder has ready to the muxer.
  void Drain(Stage stage) {
    for (;;) {
      int rc = avcodec_receive_packet(codec, packet);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
      if (rc < 0) throw PlatformError(stage, std::string(info.encoder) + " failed: " + AvErrorText(rc));
      // The containers take a packet's duration as its frame's; the
      // encoders here leave it unset.
      if (packet->duration == 0) packet->duration = 1;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      rc = av_interleaved_write_frame(context, packet);
      if (rc < 0 || context->pb->error < 0)
        throw PlatformError(stage, std::string("Cannot write the ") + info.name + " file " + shown.string() + ": " +
                                       AvErrorText(rc < 0 ? rc : context->pb->error));
    }
  }

  // What the encoder is fed: the format's pixels, or APNG's RGBA for frames
  // with alpha (WebP's BGRA carries it already).
  AVPixelFormat EncodedPixels() const {
    return pixel_bytes == 4 && info.pixels == AV_PIX_FMT_RGB24 ? AV_PIX_FMT_RGBA : info.pixels;
  }
  void EncodeFrame(const uint8_t* data, int pts) {
    const size_t row_bytes = (static_cast<size_t>(width) * pixel_bytes + 3) & ~size_t{3};
    // Rows are stored bottom-up: the top row is the last one in memory.
    const uint8_t* top = data + row_bytes * static_cast<size_t>(height - 1);
    const uint8_t* source = top;
    int stride = -static_cast<int>(row_bytes);
    if (!padded.empty()) {
      const size_t padded_row = static_cast<size_t>(coded_width) * 3;
      for (int y = 0; y < height; ++y)
        std::memcpy(padded.data() + padded_row * static_cast<size_t>(y), top - row_bytes * static_cast<size_t>(y),
                    static_cast<size_t>(width) * 3);
      source = padded.data();
      stride = static_cast<int>(padded_row);
    }
    int rc = av_frame_make_writable(frame);
    if (rc < 0) throw PlatformError(Stage::VideoWriteFrame, "Out of memory for the frame: " + AvErrorText(rc));
    const uint8_t* planes[4] = {source, nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    sws_scale(sws, planes, strides, 0, coded_height, frame->data, frame->linesize);
    frame->pts = pts;
    rc = avcodec_send_frame(codec, frame);
    if (rc < 0) throw PlatformError(Stage::VideoWriteFrame, std::string(info.encoder) + " failed: " + AvErrorText(rc));
    Drain(Stage::VideoWriteFrame);
  }

  void StoreFrame(const uint8_t* data, size_t size, int index) {
    av_packet_unref(packet);
    // Not reference counted: av_write_frame hands it to the muxer, which
    // writes it straight out without keeping it.
    packet->data = const_cast<uint8_t*>(data);
    packet->size = static_cast<int>(size);
    packet->stream_index = 0;
    packet->pts = packet->dts = index;
    packet->duration = 1;
    packet->flags = AV_PKT_FLAG_KEY;
    const int rc = av_write_frame(context, packet);
    packet->data = nullptr;
    packet->size = 0;
    if (rc < 0 || context->pb->error < 0)
      throw PlatformError(Stage::VideoWriteFrame,
                          "Cannot write AVI frame to " + shown.string() + ": " +
                              AvErrorText(rc < 0 ? rc : context->pb->error));
  }
};

VideoWriter::VideoWriter(const std::filesystem::path& path, const VideoWriterSettings& settings)
    : impl_(std::make_unique<Impl>()) {
  QuietFfmpegLog();
  Impl& m = *impl_;
  m.info = InfoFor(settings.format);
  m.path = path;
  m.shown = settings.shown_path.empty() ? path : settings.shown_path;
  const int w = settings.width, h = settings.height;
  // Frames are pictures: the picture limits keep a frame within the AVI
  // header's 32-bit size field too; the encoders refuse what they cannot
  // take themselves.
  if (w <= 0 || h <= 0 || !WithinPictureLimits(w, h) || settings.frame_ms <= 0)
    throw PlatformError(Stage::VideoSetFormat, std::string(m.info.name) + " frame size or duration out of range");
  // Padded rows add at most 3 bytes each.
  static_assert(uint64_t{kMaxPicturePixels} * 3 + uint64_t{kMaxPictureSide} * 3 <= 0xFFFFFFFFu);
  if (settings.alpha && settings.format != VideoFormat::WebP && settings.format != VideoFormat::Apng)
    throw PlatformError(Stage::VideoSetFormat, std::string(m.info.name) + " has no alpha channel");
  m.pixel_bytes = settings.alpha ? 4 : 3;
  frame_bytes_ = ((static_cast<size_t>(w) * m.pixel_bytes + 3) & ~size_t{3}) * static_cast<size_t>(h);
  m.width = m.coded_width = w;
  m.height = m.coded_height = h;
  if (settings.format == VideoFormat::Mp4) {
    m.coded_width += w & 1;
    m.coded_height += h & 1;
  }
  // A missing encoder is reported before anything is created.
  const AVCodec* encoder = m.info.encoder ? avcodec_find_encoder_by_name(m.info.encoder) : nullptr;
  if (m.info.encoder && !encoder)
    throw PlatformError(Stage::VideoEncoderMissing, VideoEncoderMissingText(settings.format));

  m.OpenFile(path);
  m.stream = avformat_new_stream(m.context, nullptr);
  if (!m.stream)
    throw PlatformError(Stage::VideoCreateStream, std::string("Cannot create the ") + m.info.name + " video stream");
  m.packet = av_packet_alloc();
  if (!m.packet) throw PlatformError(Stage::VideoCreateStream, "Out of memory for the packet");

  DictionaryScope options;
  if (encoder) {
    m.OpenEncoder(encoder, settings);
  } else {
    AVCodecParameters* par = m.stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_RAWVIDEO;
    par->codec_tag = 0;  // BI_RGB
    par->format = AV_PIX_FMT_BGR24;
    par->bits_per_coded_sample = 24;
    par->width = w;
    par->height = h;
    m.stream->time_base = AVRational{settings.frame_ms, 1000};
    m.stream->avg_frame_rate = AVRational{1000, settings.frame_ms};
    m.stream->r_frame_rate = m.stream->avg_frame_rate;
    // Positive biHeight: rows stored bottom-up, as the samples hold them.
    options.Set("flipped_raw_rgb", "1");
  }
  switch (settings.format) {
    case VideoFormat::Mp4: options.Set("movflags", "+faststart"); break;
    case VideoFormat::Apng: options.Set("plays", std::to_string(settings.plays)); break;
    case VideoFormat::WebP: options.Set("loop", std::to_string(settings.plays)); break;
    case VideoFormat::WebM:
    case VideoFormat::Avi: break;
  }
  const int rc = avformat_write_header(m.context, &options.dict);
  if (rc < 0)
    throw PlatformError(Stage::VideoSetFormat,
                        std::string("Cannot write the ") + m.info.name + " header: " + AvErrorText(rc));
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::WriteFrame(const uint8_t* data, size_t size) {
  if (impl_->finished || size != frame_bytes_)
    throw PlatformError(Stage::VideoWriteFrame, std::string(impl_->info.name) + " frame of the wrong size");
  if (impl_->codec)
    impl_->EncodeFrame(data, frames_);
  else
    impl_->StoreFrame(data, size, frames_);
  ++frames_;
}

void VideoWriter::Finish() {
  Impl& m = *impl_;
  if (m.finished) return;
  m.finished = true;
  const std::string name = m.info.name;
  if (m.codec) {
    const int rc = avcodec_send_frame(m.codec, nullptr);
    if (rc < 0) throw PlatformError(Stage::VideoFinish, std::string(m.info.encoder) + " failed: " + AvErrorText(rc));
    m.Drain(Stage::VideoFinish);
  }
  int rc = av_write_trailer(m.context);
  if (rc >= 0 && m.context->pb->error < 0) rc = m.context->pb->error;
  const int close_rc = avio_closep(&m.context->pb);
  if (rc < 0)
    throw PlatformError(Stage::VideoFinish,
                        "Cannot finish the " + name + " file " + m.shown.string() + ": " + AvErrorText(rc));
  if (close_rc < 0)
    throw PlatformError(Stage::VideoFinish,
                        "Cannot close the " + name + " file " + m.shown.string() + ": " + AvErrorText(close_rc));
  if (m.info.format == VideoFormat::Avi && !PatchSizeImage(m.path, static_cast<uint32_t>(frame_bytes_)))
    throw PlatformError(Stage::VideoFinish, "Cannot complete the AVI stream format");
}

}  // namespace kt58
