// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/video_decode.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "export/export_fixture.h"

namespace kt58::test {

namespace fs = std::filesystem;

namespace {

// Prints "width height loop", then one duration per frame, and writes the
// composed frames in the mode of the third argument (RGB or RGBA) to the
// second.
constexpr const char* kPillowScript = R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
out = open(sys.argv[2], 'wb')
print(im.size[0], im.size[1], im.info.get('loop', -1))
for i in range(getattr(im, 'n_frames', 1)):
    im.seek(i)
    im.load()
    print(im.info.get('duration', 0))
    out.write(im.convert(sys.argv[3]).tobytes())
)";

// Splits R G B A pixels into the colours and the alpha channel.
void SplitAlpha(DecodedVideo& v) {
  std::vector<uint8_t> rgba = std::move(v.rgb);
  v.rgb.clear();
  v.alpha.clear();
  for (size_t i = 0; i + 4 <= rgba.size(); i += 4) {
    v.rgb.insert(v.rgb.end(), rgba.begin() + static_cast<ptrdiff_t>(i), rgba.begin() + static_cast<ptrdiff_t>(i + 3));
    v.alpha.push_back(rgba[i + 3]);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream s(text);
  for (std::string line; std::getline(s, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// The play count of an APNG's acTL chunk (num_frames, then num_plays).
int ApngPlays(const fs::path& file) {
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  const std::string text(bytes.begin(), bytes.end());
  const size_t at = text.find("acTL");
  if (at == std::string::npos || at + 12 > bytes.size()) return -1;
  const uint8_t* p = bytes.data() + at + 8;
  return static_cast<int>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
}

DecodedVideo DecodeWithPillow(const fs::path& file, const fs::path& work, bool with_alpha) {
  DecodedVideo v;
  if (!HavePillow()) {
    v.error = "Pillow is not installed for /usr/bin/python3";
    return v;
  }
  const fs::path script = work / "decode_webp.py", raw = work / "decoded.rgb";
  std::ofstream(script) << kPillowScript;
  std::string out;
  if (!RunCapture("/usr/bin/python3 " + Quote(script) + " " + Quote(file) + " " + Quote(raw) +
                      (with_alpha ? " RGBA" : " RGB") + " 2>&1",
                  out)) {
    v.error = "Pillow: " + out;
    return v;
  }
  const auto lines = Lines(out);
  std::istringstream head(lines.empty() ? "" : lines[0]);
  head >> v.width >> v.height >> v.loop;
  for (size_t i = 1; i < lines.size(); ++i) v.durations_ms.push_back(std::stoi(lines[i]));
  v.codec = "webp";
  v.rgb = ReadFileBytes(raw);
  return v;
}

DecodedVideo DecodeWithFfmpeg(const fs::path& file, const fs::path& work, bool with_alpha) {
  DecodedVideo v;
  std::string out;
  if (!RunCapture("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height "
                  "-of csv=p=0 " + Quote(file) + " 2>&1",
                  out)) {
    v.error = "ffprobe: " + out;
    return v;
  }
  std::istringstream stream(out);
  std::string field;
  std::getline(stream, v.codec, ',');
  std::getline(stream, field, ',');
  v.width = std::stoi(field);
  std::getline(stream, field);
  v.height = std::stoi(field);
  if (!RunCapture("ffprobe -v error -select_streams v:0 -show_entries frame=pkt_duration_time -of csv=p=0 " +
                      Quote(file) + " 2>&1",
                  out)) {
    v.error = "ffprobe: " + out;
    return v;
  }
  // Side data may add lines or fields; the duration is the first field.
  for (const std::string& line : Lines(out))
    if (line[0] >= '0' && line[0] <= '9') v.durations_ms.push_back(static_cast<int>(std::lround(std::stod(line) * 1000)));
  const fs::path raw = work / "decoded.rgb";
  // Passthrough: every decoded frame once, whatever its timestamp.
  if (!RunCapture("ffmpeg -nostdin -v error -y -i " + Quote(file) + " -vsync passthrough -f rawvideo -pix_fmt " +
                      (with_alpha ? "rgba " : "rgb24 ") + Quote(raw) + " 2>&1",
                  out)) {
    v.error = "ffmpeg: " + out;
    return v;
  }
  v.rgb = ReadFileBytes(raw);
  if (v.codec == "apng") v.loop = ApngPlays(file);
  return v;
}

}  // namespace

DecodedVideo DecodeVideo(const fs::path& file, const fs::path& work_dir, bool with_alpha) {
  DecodedVideo v = file.extension() == ".webp" ? DecodeWithPillow(file, work_dir, with_alpha)
                                               : DecodeWithFfmpeg(file, work_dir, with_alpha);
  if (with_alpha) SplitAlpha(v);
  const size_t frame_bytes = static_cast<size_t>(v.width) * static_cast<size_t>(v.height) * 3;
  if (v.error.empty() && (frame_bytes == 0 || v.rgb.size() != frame_bytes * v.Count()))
    v.error = "decoded " + std::to_string(v.rgb.size()) + " bytes for " + std::to_string(v.Count()) + " frames of " +
              std::to_string(v.width) + "x" + std::to_string(v.height);
  return v;
}

double MeanPsnr(const DecodedVideo& video, const std::vector<Picture>& frames) {
  double sum = 0;
  for (size_t f = 0; f < frames.size(); ++f) {
    const Picture& p = frames[f];
    double squares = 0;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        const uint8_t* want = p.Row(y) + 3 * static_cast<size_t>(x);  // B G R
        const uint8_t* got = video.Pixel(f, x, y);                    // R G B
        for (int c = 0; c < 3; ++c) {
          const double d = double(want[2 - c]) - got[c];
          squares += d * d;
        }
      }
    const double mse = squares / (3.0 * p.Width() * p.Height());
    sum += mse == 0 ? 100.0 : 10 * std::log10(255.0 * 255.0 / mse);
  }
  return frames.empty() ? 0 : sum / static_cast<double>(frames.size());
}

std::string FirstDifference(const DecodedVideo& video, const std::vector<Picture>& frames) {
  for (size_t f = 0; f < frames.size(); ++f)
    for (int y = 0; y < frames[f].Height(); ++y)
      for (int x = 0; x < frames[f].Width(); ++x) {
        const uint8_t* want = frames[f].Row(y) + 3 * static_cast<size_t>(x);
        const uint8_t* got = video.Pixel(f, x, y);
        if (want[2] != got[0] || want[1] != got[1] || want[0] != got[2])
          return "frame " + std::to_string(f) + " pixel (" + std::to_string(x) + "," + std::to_string(y) + ")";
      }
  return {};
}

}  // namespace kt58::test
