// SPDX-License-Identifier: GPL-3.0-or-later
// The tool under a 1 GiB address-space limit, given inputs that claim huge
// pictures or exports from a few bytes: each is refused with one clear line
// and exit status 1, from the headers, before any memory is spent on it;
// never an out-of-memory death.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "engine/bmp_codec.h"
#include "platform/picture_limits.h"
#include "platform/jpeg_codec.h"
#include "support/avi_test_support.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliEnv;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

// The address space the tool must manage with. AddressSanitizer reserves
// terabytes of shadow address space at start-up, so a sanitizer build runs
// without it: the refusals are checked all the same.
#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kAddressSpace = 0;
#else
constexpr uint64_t kAddressSpace = uint64_t{1} << 30;
#endif
// The file size limit is a safety net: should a refusal ever fail, an export
// stops at 64 MiB instead of filling the disk.
const CliEnv kLimits{kAddressSpace, uint64_t{64} << 20, {}};

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A project the tool makes from a small picture, with its fixed frame size
// then set to width x height in the file (globals: FixedWidth at byte 16,
// FixedHeight at 20), as a hand-edited or hostile project would have it.
fs::path ProjectOfSize(const TempDir& dir, const std::string& name, int frames, int width, int height) {
  const fs::path small = dir / "small.bmp";
  test::WriteFileBytes(small, EncodeBmp(test::MakeRandomPicture(8, 6, 3)));
  const fs::path project = dir / name;
  const CliResult made = RunKt58(dir, {"new", project.string(), "--frames", std::to_string(frames), "--size", "16x12",
                                       "--layer", small.string()});
  EXPECT_EQ(made.exit_code, 0) << made.err;
  std::vector<uint8_t> bytes = test::ReadFileBytes(project);
  PutLe32(bytes, 16, static_cast<uint32_t>(width));
  PutLe32(bytes, 20, static_cast<uint32_t>(height));
  test::WriteFileBytes(project, bytes);
  return project;
}

// A baseline JPEG whose frame header claims width x height, cut off half
// way through its scan data: the headers are whole, the pixels are not.
std::vector<uint8_t> TruncatedJpegClaiming(int width, int height) {
  const Picture noise = test::MakeRandomPicture(32, 32, 5);
  JpegImage image;
  image.width = image.height = 32;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const Color c = test::PixelColor(noise, x, y);
      image.rgb.insert(image.rgb.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
    }
  std::vector<uint8_t> bytes = EncodeJpeg(image, 90);
  const auto marker = [&](uint8_t code) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
      if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
    ADD_FAILURE() << "no marker " << int{code};
    return bytes.size();
  };
  // SOF0: length (2), precision (1), height (2), width (2), big-endian.
  const size_t sof = marker(0xC0);
  bytes[sof + 5] = static_cast<uint8_t>(height >> 8);
  bytes[sof + 6] = static_cast<uint8_t>(height);
  bytes[sof + 7] = static_cast<uint8_t>(width >> 8);
  bytes[sof + 8] = static_cast<uint8_t>(width);
  const size_t sos = marker(0xDA);
  bytes.resize(sos + (bytes.size() - sos) / 2);
  return bytes;
}

void ExpectOneLineRefusal(const CliResult& r, const std::string& wanted) {
  EXPECT_EQ(r.exit_code, 1) << r.err;
  ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_NE(r.err.find(wanted), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("out of memory"), std::string::npos) << r.err;
}

TEST(CliLimits, HugeClaimsAreRefusedFromTheHeaders) {
  TempDir dir;
  const std::vector<GifRgb> palette = {{0, 0, 0}, {255, 255, 255}};
  const fs::path gif_screen = dir / "screen.gif";
  test::WriteFileBytes(gif_screen, test::BuildGif(32768, 8192, palette, 0, {test::SolidGifImage(0, 0, 1, 1, 1)}));
  const fs::path gif_animated = dir / "animated.gif";
  test::WriteFileBytes(gif_animated, test::BuildGif(16384, 16384, palette, 0,
                                                    {test::SolidGifImage(0, 0, 1, 1, 1), test::SolidGifImage(1, 1, 1, 1, 0)}));
  const fs::path jpeg = dir / "claims.jpg";
  test::WriteFileBytes(jpeg, TruncatedJpegClaiming(16384, 16384));
  const fs::path bmp = dir / "claims.bmp";
  {
    std::vector<uint8_t> headers(kBmpHeadersSize);
    WriteBmpHeaders(16384, 16384, headers.data());
    headers.resize(headers.size() + 64);
    test::WriteFileBytes(bmp, headers);
  }
  const fs::path avi = dir / "claims.avi";
  {
    const fs::path small_avi = dir / "small.avi";
    ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), small_avi));
    std::vector<uint8_t> bytes = test::ReadFileBytes(small_avi);
    test::PatchStrfWidth(bytes, 16384);
    test::PatchStrfHeight(bytes, 16384);
    test::WriteFileBytes(avi, bytes);
  }
  const fs::path wide = ProjectOfSize(dir, "wide.apf", 24, 32768, 8192);
  const fs::path square = ProjectOfSize(dir, "square.apf", 1000, 8192, 8192);
  const std::string out = (dir / "out").string();

  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* wanted;
  } cases[] = {
      {"GIF logical screen 32768 x 8192", {"new", out + ".apf", "--layer", gif_screen.string()},
       "logical screen 32768 x 8192 is beyond the picture size limit"},
      {"animated GIF 16384 x 16384", {"new", out + ".apf", "--layer", gif_animated.string()},
       "logical screen 16384 x 16384 is beyond the picture size limit"},
      {"truncated JPEG claiming 16384 x 16384", {"new", out + ".apf", "--layer", jpeg.string()},
       "image size 16384 x 16384 is beyond the picture size limit"},
      {"BMP claiming 16384 x 16384", {"new", out + ".apf", "--layer", bmp.string()},
       "image size 16384 x 16384 is beyond the picture size limit"},
      {"AVI claiming 16384 x 16384", {"new", out + ".apf", "--layer", avi.string()}, "no frames could be read"},
      // The project read names the file; its cause is the read's to word.
      {"project frame 32768 x 8192, export-frame", {"export-frame", wide.string(), "0", out + ".bmp"}, "wide.apf"},
      {"project frame 8192 x 8192 x 1000, export-gif", {"export-gif", square.string(), out + ".gif"}, "square.apf"},
      {"project frame 8192 x 8192 x 1000, export-avi", {"export-avi", square.string(), out + ".avi"}, "square.apf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectOneLineRefusal(RunKt58(dir, c.args, kLimits), c.wanted);
    for (const char* ext : {".apf", ".bmp", ".gif", ".avi"}) EXPECT_FALSE(fs::exists(out + ext)) << ext;
  }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

// The largest frame the limits accept, 1000 times: its AVI or bitmap
// sequence takes about 100 GB, which is refused up front, naming both
// numbers, instead of filling the disk.
TEST(CliLimits, ExportsThatCannotFitAreRefusedBeforeWriting) {
  TempDir dir;
  const uint64_t frame_bytes = Picture::RowBytesFor(7680) * uint64_t{4320};
  std::error_code ec;
  const uint64_t free_bytes = fs::space(dir.path(), ec).available;
  ASSERT_FALSE(ec) << ec.message();
  if (free_bytes >= 1000 * frame_bytes)
    GTEST_SKIP() << "the file system has room for 1000 frames of 7680 x 4320 (" << free_bytes << " bytes free)";

  const fs::path small = dir / "small.bmp";
  test::WriteFileBytes(small, EncodeBmp(test::MakeRandomPicture(8, 6, 3)));
  const fs::path project = dir / "uhd.apf";
  const CliResult made = RunKt58(
      dir, {"new", project.string(), "--frames", "1000", "--size", "7680x4320", "--layer", small.string()}, kLimits);
  ASSERT_EQ(made.exit_code, 0) << made.err;

  const fs::path avi = dir / "uhd.avi";
  const fs::path frames = dir / "frames";
  fs::create_directory(frames);
  for (const auto& args : {std::vector<std::string>{"export-avi", project.string(), avi.string()},
                           std::vector<std::string>{"export-bmp", project.string(), frames.string()}}) {
    SCOPED_TRACE(args[0]);
    const CliResult r = RunKt58(dir, args, kLimits);
    ExpectOneLineRefusal(r, "Not enough free space for ");
    EXPECT_NE(r.err.find(" bytes are needed, "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" bytes are free"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(avi));
  EXPECT_TRUE(fs::is_empty(frames));
  std::vector<fs::path> left;
  for (const auto& e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<fs::path>{"frames", "small.bmp", "uhd.apf"})) << "no temporary left behind";
}

// A project of the largest frames `kt58 new` accepts (8192 x 4096, 100 MB
// each) exported every way under a memory limit of 1536 MB, with the
// address space limited to 2 GiB: each export either fits, lowering its
// encoder's threads and lookahead or its GIF frames in flight, or refuses in
// one line naming the numbers. None dies for want of memory.
TEST(CliLimits, EveryExportOfTheLargestFramesStaysWithinTheMemoryLimit) {
  if (kAddressSpace == 0) GTEST_SKIP() << "a sanitizer build runs without an address-space limit";
  TempDir dir;
  const fs::path small = dir / "small.bmp";
  test::WriteFileBytes(small, EncodeBmp(test::MakeRandomPicture(48, 32, 3)));
  const fs::path project = dir / "huge.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--frames", "2", "--size", "8192x4096", "--layer", small.string(),
                          "--rotate", "360"})
                .exit_code,
            0);
  fs::create_directory(dir / "seq");
  const CliEnv limited{uint64_t{2} << 30, 0, {}};
  const struct {
    std::vector<std::string> args;
    bool refused;
  } cases[] = {
      {{"export-video", project.string(), (dir / "o.mp4").string()}, true},
      {{"export-video", project.string(), (dir / "o.webm").string()}, true},
      {{"export-video", project.string(), (dir / "o.webm").string(), "--width", "2048"}, false},
      {{"export-video", project.string(), (dir / "o.webp").string()}, false},
      {{"export-video", project.string(), (dir / "o.apng").string()}, false},
      {{"export-gif", project.string(), (dir / "o.gif").string()}, false},
      {{"export-avi", project.string(), (dir / "o.avi").string()}, false},
      {{"export-bmp", project.string(), (dir / "seq").string()}, false},
      {{"export-frame", project.string(), "1", (dir / "f.png").string()}, false},
      {{"export-frame", project.string(), "1", (dir / "f.jpg").string()}, false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--quiet", "--memory-limit", "1536"});
    SCOPED_TRACE(args[0] + " " + args[2]);
    const CliResult r = RunKt58(dir, args, limited);
    if (c.refused) {
      ExpectOneLineRefusal(r, "Exporting 8192 x 4096 frames as ");
      EXPECT_NE(r.err.find("the memory limit is 1536 MB"), std::string::npos) << r.err;
      EXPECT_FALSE(fs::exists(args[2]));
    } else {
      EXPECT_EQ(r.exit_code, 0) << r.err;
    }
  }
}

// An import whose frame store the disk cannot hold fails naming the disk:
// refused before writing when its frames exceed the free space (4096 x 4096
// screen, 50 MiB a frame, 20,000 one-pixel images), and with the system's
// reason when a write is refused (here the file-size limit). No store file
// stays in the program folder.
TEST(CliLimits, ImportsTheDiskCannotHoldNameTheirCause) {
  TempDir dir;
  std::vector<test::GifImageSpec> dots(20000, test::SolidGifImage(0, 0, 1, 1, 1));
  const fs::path huge = dir / "dots.gif";
  test::WriteFileBytes(huge, test::BuildGif(4096, 4096, {{0, 0, 0}, {255, 255, 255}}, 0, dots));
  const fs::path small = dir / "small.gif";
  test::WriteFileBytes(small, test::BuildGif(200, 200, {{0, 0, 0}, {255, 255, 255}}, 0,
                                             {test::SolidGifImage(0, 0, 200, 200, 0),
                                              test::SolidGifImage(10, 10, 5, 5, 1),
                                              test::SolidGifImage(20, 20, 5, 5, 1)}));
  const uint64_t needed = 20000 * (kBmpHeadersSize + Picture::RowBytesFor(4096) * uint64_t{4096});
  std::error_code ec;
  const bool room_for_huge = fs::space(dir.path(), ec).available >= needed;
  struct Case {
    fs::path gif;
    CliEnv env;
    std::vector<std::string> says;
  } cases[] = {
      {huge,
       kLimits,
       {"Not enough free space for ", std::to_string(needed) + " bytes are needed, ",
        "; each of the GIF's 20000 frames is stored at its screen size of 4096x4096, " +
            std::to_string(needed / 20000) + " bytes"}},
      // Three frames of 120 KB against a limit of 64 KiB.
      {small, {kAddressSpace, uint64_t{64} << 10, {}}, {"Cannot write the frame store file ", std::strerror(EFBIG)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gif.filename().string());
    if (c.gif == huge && room_for_huge) continue;  // this file system would hold it
    const CliResult r = RunKt58(dir, {"new", (dir / "o.apf").string(), "--layer", c.gif.string()}, c.env);
    for (const std::string& part : c.says) ExpectOneLineRefusal(r, part);
    EXPECT_EQ(r.err.find("no frames could be read"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "o.apf"));
    EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
  }
}

}  // namespace
}  // namespace kt58
