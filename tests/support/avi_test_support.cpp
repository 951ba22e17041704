// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/avi_test_support.h"

#include <cstdlib>
#include <stdexcept>

#include "support/test_support.h"

namespace kt58::test {

namespace {

std::string Quote(const std::filesystem::path& p) {
  std::string q = "'";
  for (char c : p.string()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

size_t FindTag(const std::vector<uint8_t>& avi, const char* tag) {
  for (size_t i = 12; i + 8 <= avi.size(); ++i)
    if (avi[i] == uint8_t(tag[0]) && avi[i + 1] == uint8_t(tag[1]) && avi[i + 2] == uint8_t(tag[2]) &&
        avi[i + 3] == uint8_t(tag[3]))
      return i + 8;
  throw std::runtime_error(std::string("no ") + tag + " chunk");
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

const std::vector<AviCase>& AviCodecCases() {
  const std::string palette = "split[a][b];[a]palettegen=max_colors=256[p];[b][p]paletteuse=dither=none";
  const std::string palette_changes =
      "split[a][b];[a]palettegen=max_colors=64:stats_mode=single[p];[b][p]paletteuse=dither=none:new=1";
  static const std::vector<AviCase> cases = {
      {"bgr24_topdown", "-c:v rawvideo -pix_fmt bgr24", true},
      {"bgr24_bottomup", "-vf vflip -c:v rawvideo -pix_fmt bgr24 -flipped_raw_rgb 1", true},
      {"bgra_bottomup", "-vf vflip -c:v rawvideo -pix_fmt bgra -flipped_raw_rgb 1", true},
      {"rgb555_bottomup", "-vf vflip -c:v rawvideo -pix_fmt rgb555le -flipped_raw_rgb 1", true},
      {"pal8", "-vf \"" + palette + "\" -c:v rawvideo -pix_fmt pal8 -flipped_raw_rgb 1", true},
      {"pal8_palette_changes", "-vf \"" + palette_changes + "\" -c:v rawvideo -pix_fmt pal8", true},
      {"bgr24_with_audio", "-c:v rawvideo -pix_fmt bgr24 -c:a pcm_u8 -ac 1", true, false, true},
      {"mjpeg", "-c:v mjpeg -pix_fmt yuvj420p -q:v 3"},
      {"msvideo1", "-c:v msvideo1"},
      {"cinepak", "-c:v cinepak"},
      {"mpeg4_xvid", "-c:v mpeg4 -vtag xvid -q:v 3"},
      {"mpeg4_bframes", "-c:v mpeg4 -vtag xvid -bf 2 -q:v 3"},
      {"mpeg4_bframes_with_audio", "-c:v mpeg4 -vtag xvid -bf 2 -q:v 3 -c:a pcm_s16le", false, false, true},
      {"h264", "-c:v libx264 -pix_fmt yuv420p -preset fast -bf 3", false, true},
  };
  return cases;
}

const AviCase& FindAviCase(const std::string& name) {
  for (const AviCase& c : AviCodecCases())
    if (c.name == name) return c;
  throw std::runtime_error("no AVI case " + name);
}

bool MakeAvi(const AviCase& c, const std::filesystem::path& out, int width, int height) {
  // A finite source: palettegen waits for the end of its input.
  std::string cmd = "timeout 120 ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=" +
                    std::to_string(width) + "x" + std::to_string(height) +
                    ":rate=10:duration=" + std::to_string(c.frames * 100) + "ms";
  if (c.audio) cmd += " -f lavfi -i sine=frequency=440:sample_rate=11025:duration=2";
  cmd += " -frames:v " + std::to_string(c.frames) + " -fflags +bitexact -flags +bitexact " + c.encode;
  if (c.audio) cmd += " -shortest";
  cmd += " " + Quote(out) + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 && std::filesystem::exists(out);
}

RawFrames DecodeWithFfmpeg(const std::filesystem::path& avi, const std::filesystem::path& work_dir, int width,
                           int height) {
  const auto raw = work_dir / "ffmpeg-decoded.raw";
  const std::string cmd = "timeout 120 ffmpeg -nostdin -hide_banner -loglevel error -y -i " + Quote(avi) +
                          " -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt bgr24 " + Quote(raw);
  RawFrames r;
  r.width = width;
  r.height = height;
  if (std::system(cmd.c_str()) != 0) return r;
  r.bytes = ReadFileBytes(raw);
  r.count = r.bytes.size() / (static_cast<size_t>(width) * height * 3);
  return r;
}

size_t StrhOffset(const std::vector<uint8_t>& avi) { return FindTag(avi, "strh"); }
size_t StrfOffset(const std::vector<uint8_t>& avi) { return FindTag(avi, "strf"); }

void PatchStreamStart(const std::filesystem::path& avi, uint32_t start) {
  auto bytes = ReadFileBytes(avi);
  Put32(bytes, StrhOffset(bytes) + 28, start);
  WriteFileBytes(avi, bytes);
}

void PatchStrfWidth(std::vector<uint8_t>& avi, int32_t width) { Put32(avi, StrfOffset(avi) + 4, uint32_t(width)); }
void PatchStrfHeight(std::vector<uint8_t>& avi, int32_t height) { Put32(avi, StrfOffset(avi) + 8, uint32_t(height)); }

namespace {

class RiffWriter {
 public:
  void Tag(const char* t) { out.insert(out.end(), t, t + 4); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U16(uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  // Starts a chunk (or a LIST / RIFF with its type); End fills in the size.
  size_t Begin(const char* id, const char* type = nullptr) {
    Tag(id);
    const size_t at = out.size();
    U32(0);
    if (type) Tag(type);
    return at;
  }
  void End(size_t at) {
    const uint32_t size = static_cast<uint32_t>(out.size() - at - 4);
    Put32(out, at, size);
    if (size & 1) out.push_back(0);
  }
  std::vector<uint8_t> out;
};

}  // namespace

std::vector<uint8_t> BuildAvi(const HandAviSpec& spec) {
  RiffWriter w;
  const uint32_t n = static_cast<uint32_t>(spec.frames.size());
  const uint32_t abs_height = static_cast<uint32_t>(spec.height < 0 ? -spec.height : spec.height);
  const size_t riff = w.Begin("RIFF", "AVI ");
  const size_t hdrl = w.Begin("LIST", "hdrl");
  const size_t avih = w.Begin("avih");
  for (uint32_t v : {100000u, 0u, 0u, 0x10u, n, 0u, 1u, 0u, uint32_t(spec.width), abs_height, 0u, 0u, 0u, 0u}) w.U32(v);
  w.End(avih);
  const size_t strl = w.Begin("LIST", "strl");
  const size_t strh = w.Begin("strh");
  w.Tag("vids");
  w.U32(spec.handler);
  for (uint32_t v : {0u, 0u, 0u, 1u, 10u, 0u, n, 0u, 0xFFFFFFFFu, 0u}) w.U32(v);
  for (uint16_t v : {uint16_t(0), uint16_t(0), uint16_t(spec.width), uint16_t(abs_height)}) w.U16(v);
  w.End(strh);
  const size_t strf = w.Begin("strf");
  w.U32(40);
  w.U32(static_cast<uint32_t>(spec.width));
  w.U32(static_cast<uint32_t>(spec.height));
  w.U16(1);
  w.U16(spec.bit_count);
  w.U32(spec.compression);
  for (uint32_t v : {0u, 0u, 0u, uint32_t(spec.palette.size()), 0u}) w.U32(v);
  for (uint32_t c : spec.palette) w.U32(c);
  w.End(strf);
  w.End(strl);
  w.End(hdrl);
  const size_t movi = w.Begin("LIST", "movi");
  std::vector<uint32_t> offsets;
  for (const auto& f : spec.frames) {
    offsets.push_back(static_cast<uint32_t>(w.out.size() - (movi + 4)));
    const size_t c = w.Begin(spec.chunk_id.c_str());
    w.out.insert(w.out.end(), f.begin(), f.end());
    w.End(c);
  }
  w.End(movi);
  const size_t idx1 = w.Begin("idx1");
  for (uint32_t i = 0; i < n; ++i) {
    w.Tag(spec.chunk_id.c_str());
    w.U32(i >= spec.key_frames.size() || spec.key_frames[i] ? 0x10u : 0u);
    w.U32(offsets[i]);
    w.U32(static_cast<uint32_t>(spec.frames[i].size()));
  }
  w.End(idx1);
  w.End(riff);
  return w.out;
}

}  // namespace kt58::test
