// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/avi_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <optional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include "platform/picture_limits.h"

namespace kt58 {

// Random-access bytes of the file: positional reads, so the header walk and
// FFmpeg's reading never disturb each other.
class AviByteSource {
 public:
  virtual ~AviByteSource() = default;
  virtual int64_t Size() const = 0;
  // Bytes read (short at the end), -1 on an error.
  virtual int64_t ReadAt(int64_t offset, uint8_t* buf, size_t n) = 0;
};

namespace {

// Packets the decoder may swallow without giving a frame before the stream
// counts as broken; far above any real codec delay, low enough that a file
// of garbage chunks ends quickly.
constexpr int kMaxPacketsWithoutFrame = 1024;
// Headers the RIFF walk looks at: hdrl is near the start of every real AVI.
constexpr int kMaxRiffChunks = 4096;
constexpr uint32_t kMaxStrfBytes = 1u << 20;
constexpr int kAvioBufferSize = 64 * 1024;

void QuietFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

std::string AvErrorText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

constexpr uint32_t Fourcc(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool SizeWithinBounds(int64_t w, int64_t h) { return w > 0 && h > 0 && WithinPictureLimits(w, h); }

std::string FrameSizeFault(int64_t w, int64_t h) {
  if (w <= 0 || h <= 0) return "unsupported frame size " + std::to_string(w) + " x " + std::to_string(h);
  return "frame size " + PictureLimitText(w, h);
}

class FileSource final : public AviByteSource {
 public:
  static std::unique_ptr<FileSource> Open(const std::filesystem::path& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      SetError(error, "cannot open " + path.string() + ": " + std::strerror(errno));
      return nullptr;
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size < 0) {
      ::close(fd);
      SetError(error, "cannot read " + path.string());
      return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(fd, size));
  }
  ~FileSource() override { ::close(fd_); }
  int64_t Size() const override { return size_; }
  int64_t ReadAt(int64_t offset, uint8_t* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t r = ::pread(fd_, buf + done, n - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
      if (r < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return static_cast<int64_t>(done);
  }

 private:
  FileSource(int fd, int64_t size) : fd_(fd), size_(size) {}
  int fd_;
  int64_t size_;
};

class MemorySource final : public AviByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int64_t Size() const override { return static_cast<int64_t>(size_); }
  int64_t ReadAt(int64_t offset, uint8_t* buf, size_t n) override {
    if (offset < 0 || static_cast<uint64_t>(offset) >= size_) return 0;
    const size_t k = std::min(n, size_ - static_cast<size_t>(offset));
    std::memcpy(buf, data_ + offset, k);
    return static_cast<int64_t>(k);
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// What the RIFF headers say of the first video stream.
struct RiffVideoStream {
  int index = -1;  // among all streams, in header order
  AviStreamRange range;
  std::optional<AviVideoFormat> format;
};

// Walks RIFF 'AVI ' > LIST 'hdrl' > LIST 'strl' > 'strh'/'strf' with every
// size checked against its parent, for dwStart and dwLength (FFmpeg keeps
// dwStart only as the first packet's timestamp) and the stream format.
// Returns none when the file does not start like an AVI.
std::optional<RiffVideoStream> ReadRiffHeaders(AviByteSource& src) {
  uint8_t head[12];
  if (src.ReadAt(0, head, 12) != 12 || Le32(head) != Fourcc("RIFF") || Le32(head + 8) != Fourcc("AVI ")) return std::nullopt;
  RiffVideoStream result;
  const int64_t file_end = std::min<int64_t>(src.Size(), 8 + static_cast<int64_t>(Le32(head + 4)));
  int chunks = 0;
  int stream_index = 0;
  int32_t odml_total_frames = 0;

  struct Chunk {
    uint32_t id, size, list_type;
    int64_t data;  // offset of the data (after the list type for a LIST)
    int64_t end;   // offset of the data's end
  };
  auto read_chunk = [&](int64_t at, int64_t parent_end) -> std::optional<Chunk> {
    uint8_t h[12] = {};
    if (at + 8 > parent_end || ++chunks > kMaxRiffChunks || src.ReadAt(at, h, 12) < 8) return std::nullopt;
    Chunk c{Le32(h), Le32(h + 4), 0, at + 8, 0};
    c.end = std::min(parent_end, c.data + static_cast<int64_t>(c.size));
    if (c.id == Fourcc("LIST")) {
      if (c.size < 4 || c.data + 4 > parent_end) return std::nullopt;
      c.list_type = Le32(h + 8);
      c.data += 4;
    }
    return c;
  };
  auto next_at = [](const Chunk& c) { return c.end + (c.end & 1); };

  int64_t at = 12;
  while (const auto top = read_chunk(at, file_end)) {
    at = next_at(*top);
    if (top->id == Fourcc("LIST") && top->list_type == Fourcc("movi")) break;
    if (top->id != Fourcc("LIST") || top->list_type != Fourcc("hdrl")) continue;
    int64_t a = top->data;
    while (const auto sub = read_chunk(a, top->end)) {
      a = next_at(*sub);
      if (sub->id == Fourcc("LIST") && sub->list_type == Fourcc("odml")) {
        // A file past 1 GiB (OpenDML) counts in the stream header only the
        // frames of its first RIFF; 'dmlh' has them all.
        if (const auto dmlh = read_chunk(sub->data, sub->end); dmlh && dmlh->id == Fourcc("dmlh")) {
          uint8_t total[4];
          if (dmlh->end - dmlh->data >= 4 && src.ReadAt(dmlh->data, total, 4) == 4)
            odml_total_frames = static_cast<int32_t>(std::min<uint32_t>(Le32(total), INT32_MAX));
        }
        continue;
      }
      if (sub->id != Fourcc("LIST") || sub->list_type != Fourcc("strl") || result.index >= 0) continue;
      bool is_video = false;
      int64_t b = sub->data;
      while (const auto c = read_chunk(b, sub->end)) {
        b = next_at(*c);
        if (c->id == Fourcc("strh")) {
          uint8_t strh[36];
          if (c->end - c->data < 36 || src.ReadAt(c->data, strh, 36) != 36) break;
          is_video = Le32(strh) == Fourcc("vids");
          if (!is_video) break;
          result.index = stream_index;
          result.range.start = static_cast<int32_t>(std::min<uint32_t>(Le32(strh + 28), INT32_MAX));
          result.range.length = static_cast<int32_t>(std::min<uint32_t>(Le32(strh + 32), INT32_MAX));
        } else if (c->id == Fourcc("strf") && is_video) {
          const int64_t size = std::min<int64_t>(c->end - c->data, kMaxStrfBytes);
          if (size < 40) break;
          std::vector<uint8_t> strf(static_cast<size_t>(size));
          if (src.ReadAt(c->data, strf.data(), strf.size()) != size) break;
          AviVideoFormat f;
          f.width = static_cast<int32_t>(Le32(&strf[4]));
          f.height = static_cast<int32_t>(Le32(&strf[8]));
          f.bit_count = Le16(&strf[14]);
          f.compression = Le32(&strf[16]);
          const uint32_t header_size = std::clamp<uint32_t>(Le32(&strf[0]), 40, static_cast<uint32_t>(size));
          uint32_t colours = Le32(&strf[32]);
          if (colours == 0 && f.bit_count >= 1 && f.bit_count <= 8) colours = 1u << f.bit_count;
          colours = std::min<uint32_t>(colours, (static_cast<uint32_t>(size) - header_size) / 4);
          for (uint32_t i = 0; i < colours; ++i) f.palette.push_back(Le32(&strf[header_size + 4 * i]));
          result.format = std::move(f);
        }
      }
      if (!is_video) ++stream_index;
    }
    break;  // one hdrl per file
  }
  if (result.index >= 0) result.range.length = std::max(result.range.length, odml_total_frames);
  return result;
}

// The format from FFmpeg's stream parameters, for a file whose headers gave none.
AviVideoFormat FormatFromCodecParameters(const AVCodecParameters& par) {
  AviVideoFormat f;
  f.width = par.width;
  f.height = par.height;
  f.bit_count = static_cast<uint16_t>(std::clamp(par.bits_per_coded_sample, 0, 0xFFFF));
  f.compression = par.codec_tag;
  return f;
}

}  // namespace

std::string FourccText(uint32_t fourcc) {
  std::string s(4, '?');
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
    if (c >= 0x20 && c < 0x7F) s[static_cast<size_t>(i)] = c;
  }
  return s;
}

// ---- the demuxer -------------------------------------------------------------

struct AviFile::Impl {
  std::unique_ptr<AviByteSource> source;
  int64_t read_pos = 0;  // FFmpeg's position in the source
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  int stream_index = -1;
  bool packets_read = false;  // the demuxer is no longer at the first packet

  ~Impl() { CloseDemuxer(); }

  void CloseDemuxer() {
    if (format) avformat_close_input(&format);  // leaves our own AVIOContext alone
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    read_pos = 0;
    packets_read = false;
  }

  static int ReadPacket(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<Impl*>(opaque);
    if (size <= 0) return 0;
    const int64_t n = self->source->ReadAt(self->read_pos, buf, static_cast<size_t>(size));
    if (n < 0) return AVERROR(EIO);
    if (n == 0) return AVERROR_EOF;
    self->read_pos += n;
    return static_cast<int>(n);
  }

  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Impl*>(opaque);
    const int64_t size = self->source->Size();
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE: return size;
      case SEEK_SET: break;
      case SEEK_CUR: offset += self->read_pos; break;
      case SEEK_END: offset += size; break;
      default: return AVERROR(EINVAL);
    }
    if (offset < 0) return AVERROR(EINVAL);
    self->read_pos = offset;
    return offset;
  }

  // Opens FFmpeg's AVI demuxer over the source, from its first byte. The
  // demuxer is fixed (no probing of other formats) and reads nothing but
  // the source (no protocols, no other files).
  bool OpenDemuxer(std::string* error) {
    CloseDemuxer();
    auto* buffer = static_cast<uint8_t*>(av_malloc(kAvioBufferSize));
    if (!buffer) return SetError(error, "out of memory"), false;
    io = avio_alloc_context(buffer, kAvioBufferSize, 0, this, &ReadPacket, nullptr, &Seek);
    if (!io) {
      av_free(buffer);
      return SetError(error, "out of memory"), false;
    }
    format = avformat_alloc_context();
    if (!format) return SetError(error, "out of memory"), false;
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->max_streams = 64;
    format->probesize = 1 << 20;
    const AVInputFormat* avi = av_find_input_format("avi");
    if (!avi) return SetError(error, "this FFmpeg has no AVI reader"), false;
    // Our own I/O reads the bytes; the whitelist keeps the demuxer from
    // opening anything else by name (no protocol but "file", and no file
    // is ever named by the stream).
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int r = avformat_open_input(&format, nullptr, avi, &options);
    av_dict_free(&options);
    if (r < 0) {
      // avformat_open_input frees the context on failure.
      format = nullptr;
      return SetError(error, "not a readable AVI file: " + AvErrorText(r)), false;
    }
    return true;
  }

  AVStream* Stream() const { return format->streams[stream_index]; }

  // Lets only the chosen stream's packets through the demuxer.
  void DiscardOtherStreams() {
    for (unsigned i = 0; i < format->nb_streams; ++i)
      format->streams[i]->discard = static_cast<int>(i) == stream_index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  }
};

AviFile::AviFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
AviFile::~AviFile() = default;

namespace {

std::unique_ptr<AviFile::Impl> OpenImpl(std::unique_ptr<AviByteSource> source, std::string* error,
                                        std::optional<RiffVideoStream>& riff) {
  QuietFfmpegLog();
  riff = ReadRiffHeaders(*source);
  if (!riff) return SetError(error, "not an AVI file (no RIFF AVI header)"), nullptr;
  auto impl = std::make_unique<AviFile::Impl>();
  impl->source = std::move(source);
  if (!impl->OpenDemuxer(error)) return nullptr;
  const AVFormatContext* fmt = impl->format;
  // The stream the headers name as the first video stream; FFmpeg makes one
  // stream per 'strl' in the same order. Otherwise FFmpeg's first video.
  if (riff->index >= 0 && static_cast<unsigned>(riff->index) < fmt->nb_streams &&
      fmt->streams[riff->index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    impl->stream_index = riff->index;
  } else {
    riff->index = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i)
      if (fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        impl->stream_index = static_cast<int>(i);
        break;
      }
  }
  if (impl->stream_index < 0) return SetError(error, "the file has no video stream"), nullptr;
  const AVCodecParameters* par = impl->Stream()->codecpar;
  if (!SizeWithinBounds(par->width, par->height))
    return SetError(error, FrameSizeFault(par->width, par->height)), nullptr;
  impl->DiscardOtherStreams();
  return impl;
}

}  // namespace

std::unique_ptr<AviFile> AviFile::FromSource(std::unique_ptr<AviByteSource> source, std::string* error) {
  std::optional<RiffVideoStream> riff;
  auto impl = OpenImpl(std::move(source), error, riff);
  if (!impl) return nullptr;
  std::unique_ptr<AviFile> file(new AviFile(std::move(impl)));
  const AVStream* st = file->impl_->Stream();
  if (riff->index >= 0) {
    file->range_ = riff->range;
  } else {
    file->range_.length = static_cast<int32_t>(std::clamp<int64_t>(st->nb_frames, 0, INT32_MAX));
  }
  file->format_ = riff->index >= 0 && riff->format ? *riff->format : FormatFromCodecParameters(*st->codecpar);
  return file;
}

std::unique_ptr<AviFile> AviFile::Open(const std::filesystem::path& path, std::string* error) {
  auto source = FileSource::Open(path, error);
  if (!source) return nullptr;
  return FromSource(std::move(source), error);
}

std::unique_ptr<AviFile> AviFile::OpenMemory(const uint8_t* data, size_t size, std::string* error) {
  return FromSource(std::make_unique<MemorySource>(data, size), error);
}

// ---- the decoder -------------------------------------------------------------

// Positions: the AVI demuxer stamps each chunk with its position in the
// stream (dwStart for the first) and passes over empty chunks, which stand
// for "no change" (drop frames). A frame therefore shows from its position
// up to the next frame's; the last frame shows at its own position only, so
// that a cut-off file ends where its frames end.
struct AviFrameDecoder::Impl {
  AviFile::Impl& file;
  int32_t start = 0;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* current = nullptr;  // the latest frame at or before the position asked for
  AVFrame* next = nullptr;     // the frame after it, once decoded
  SwsContext* scaler = nullptr;
  AviFrame out;
  // Positions of the packets sent and not yet matched with a frame, in
  // increasing order; frames come out in display order, so the k-th frame
  // takes the k-th smallest position.
  std::deque<int64_t> packet_positions;
  int64_t last_packet_position = 0;
  int64_t last_frame_position = 0;
  bool have_current = false, have_next = false;
  int64_t current_position = 0, next_position = 0;
  bool out_is_current = false;   // `out` holds `current` converted
  bool input_ended = false;      // the decoder has been told the stream ended
  bool frames_ended = false;     // no frame comes after `current`/`next`
  std::string end_reason;

  explicit Impl(AviFile::Impl& f) : file(f) {}
  ~Impl() {
    sws_freeContext(scaler);
    av_frame_free(&next);
    av_frame_free(&current);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
  }

  bool Open(std::string* error) {
    const AVCodecParameters* par = file.Stream()->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) return SetError(error, "unsupported video codec '" + FourccText(par->codec_tag) + "'"), false;
    codec = avcodec_alloc_context3(decoder);
    packet = av_packet_alloc();
    current = av_frame_alloc();
    next = av_frame_alloc();
    if (!codec || !packet || !current || !next) return SetError(error, "out of memory"), false;
    int r = avcodec_parameters_to_context(codec, par);
    if (r < 0) return SetError(error, "bad video stream parameters: " + AvErrorText(r)), false;
    codec->pkt_timebase = file.Stream()->time_base;
    codec->max_pixels = kMaxPicturePixels;
    codec->thread_count = 0;  // as many as the machine has
    r = avcodec_open2(codec, decoder, nullptr);
    if (r < 0) return SetError(error, "cannot decode '" + FourccText(par->codec_tag) + "': " + AvErrorText(r)), false;
    ResetPositions();
    return true;
  }

  void ResetPositions() {
    packet_positions.clear();
    last_packet_position = static_cast<int64_t>(start) - 1;
    last_frame_position = static_cast<int64_t>(start) - 1;
    have_current = have_next = out_is_current = false;
    input_ended = frames_ended = false;
    end_reason.clear();
    av_frame_unref(current);
    av_frame_unref(next);
  }

  // Decoding from the stream's first packet again.
  bool Restart(std::string* error) {
    if (!file.OpenDemuxer(error)) return false;
    file.DiscardOtherStreams();
    avcodec_flush_buffers(codec);
    ResetPositions();
    return true;
  }

  // The next frame in display order into `target` with its position; false
  // at the end of the stream or on an error (the reason in end_reason).
  bool DecodeNext(AVFrame* target, int64_t& position) {
    int packets_without_frame = 0;
    for (;;) {
      int r = avcodec_receive_frame(codec, target);
      if (r == 0) {
        position = last_frame_position + 1;
        if (codec->has_b_frames == 0 && target->pts != AV_NOPTS_VALUE && target->pts >= position) {
          // Without reordering a frame keeps its packet's position, also
          // when the decoder gave no frame for an earlier packet (a
          // not-coded frame, which repeats the one before).
          position = target->pts;
          while (!packet_positions.empty() && packet_positions.front() <= position) packet_positions.pop_front();
        } else if (!packet_positions.empty()) {
          position = std::max(position, packet_positions.front());
          packet_positions.pop_front();
        }
        last_frame_position = position;
        return true;
      }
      if (r == AVERROR_EOF) return end_reason = "end of the video stream", false;
      if (r != AVERROR(EAGAIN)) return end_reason = "cannot decode frame: " + AvErrorText(r), false;
      if (input_ended) return end_reason = "end of the video stream", false;
      if (++packets_without_frame > kMaxPacketsWithoutFrame)
        return end_reason = "the video stream gives no frames", false;
      file.packets_read = true;
      r = av_read_frame(file.format, packet);
      if (r < 0) {
        // End of file or a read error: what the decoder still holds comes out.
        input_ended = true;
        avcodec_send_packet(codec, nullptr);
        continue;
      }
      if (packet->stream_index != file.stream_index) {
        av_packet_unref(packet);
        continue;
      }
      int64_t pos = packet->dts != AV_NOPTS_VALUE ? packet->dts : last_packet_position + 1;
      pos = std::max(pos, last_packet_position + 1);
      r = avcodec_send_packet(codec, packet);
      av_packet_unref(packet);
      if (r < 0 && r != AVERROR(EAGAIN)) return end_reason = "cannot decode frame: " + AvErrorText(r), false;
      last_packet_position = pos;
      packet_positions.push_back(pos);
    }
  }

  // Decodes the frame after `current` into `next` unless the stream ended.
  void FetchNext() {
    if (have_next || frames_ended) return;
    have_next = DecodeNext(next, next_position);
    if (!have_next) frames_ended = true;
  }

  bool ConvertCurrent(std::string* error) {
    const int w = current->width, h = current->height;
    if (!SizeWithinBounds(w, h))
      return SetError(error, FrameSizeFault(w, h)), false;
    const auto src_format = static_cast<AVPixelFormat>(current->format);
    // Bicubic as FFmpeg's own tools choose by default, so chroma is
    // upsampled the same way they do.
    scaler = sws_getCachedContext(scaler, w, h, src_format, w, h, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr,
                                  nullptr);
    if (!scaler) return SetError(error, "unsupported pixel format"), false;
    out.width = w;
    out.height = h;
    out.stride = static_cast<size_t>(w) * 3;
    out.pixels.resize(out.stride * static_cast<size_t>(h));
    uint8_t* dst[4] = {out.pixels.data(), nullptr, nullptr, nullptr};
    int dst_stride[4] = {static_cast<int>(out.stride), 0, 0, 0};
    const int rows = sws_scale(scaler, current->data, current->linesize, 0, h, dst, dst_stride);
    if (rows != h) return SetError(error, "cannot convert frame"), false;
    return true;
  }

  const AviFrame* Get(int32_t position, std::string* error) {
    if (position < start) return SetError(error, "position before the stream's start"), nullptr;
    if (have_current && position < current_position && !Restart(error)) {
      frames_ended = true;
      have_current = have_next = false;
      return nullptr;
    }
    if (!have_current) {
      FetchNext();
      if (!have_next) return SetError(error, end_reason), nullptr;
      av_frame_move_ref(current, next);
      current_position = next_position;
      have_current = true;
      have_next = false;
      out_is_current = false;
    }
    for (;;) {
      FetchNext();
      if (!have_next || next_position > position) break;
      av_frame_unref(current);
      av_frame_move_ref(current, next);
      current_position = next_position;
      have_next = false;
      out_is_current = false;
    }
    if (position < current_position) return SetError(error, "no frame at this position"), nullptr;
    if (!have_next && position > current_position) return SetError(error, end_reason), nullptr;
    if (!out_is_current) {
      if (!ConvertCurrent(error)) return nullptr;
      out_is_current = true;
    }
    return &out;
  }
};

AviFrameDecoder::AviFrameDecoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
AviFrameDecoder::~AviFrameDecoder() = default;

const AviFrame* AviFrameDecoder::GetFrame(int32_t position) {
  error_.clear();
  try {
    return impl_->Get(position, &error_);
  } catch (const std::bad_alloc&) {
    impl_->out_is_current = false;
    error_ = "out of memory";
    return nullptr;
  }
}

std::unique_ptr<AviFrameDecoder> AviFile::OpenFrameDecoder(std::string* error) {
  auto impl = std::make_unique<AviFrameDecoder::Impl>(*impl_);
  impl->start = range_.start;
  if (!impl->Open(error)) return nullptr;
  if (impl_->packets_read) {
    if (!impl_->OpenDemuxer(error)) return nullptr;
    impl_->DiscardOtherStreams();
  }
  return std::unique_ptr<AviFrameDecoder>(new AviFrameDecoder(std::move(impl)));
}

}  // namespace kt58
