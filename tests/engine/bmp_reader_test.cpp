// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <sstream>
#include <string>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/colors.h"
#include "engine/errors.h"
#include "engine/picture.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::MakePicture;
using test::PicturesEqual;
using test::PixelColor;

// ---- reference pictures ------------------------------------------------------

// The picture against an RGBA reference. Pixels the reference leaves fully
// transparent have no defined colour and are skipped; all others compare
// their RGB within `tolerance` per channel (we drop alpha and keep the stored
// colour).
::testing::AssertionResult MatchesReference(const Picture& pic, const fs::path& png, int tolerance = 0) {
  const test::RgbaImage ref = test::ReadPng(png);
  if (pic.Width() != ref.width || pic.Height() != ref.height)
    return ::testing::AssertionFailure() << png.filename() << ": size " << pic.Width() << "x" << pic.Height()
                                         << ", expected " << ref.width << "x" << ref.height;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x) {
      const uint8_t* p = &ref.rgba[(static_cast<size_t>(y) * ref.width + x) * 4];
      if (p[3] == 0) continue;
      const Color want = RGBColor(p[0], p[1], p[2]);
      const Color got = PixelColor(pic, x, y);
      bool close = true;
      for (int shift : {0, 8, 16})
        close = close && std::abs(static_cast<int>((got >> shift) & 255) - static_cast<int>((want >> shift) & 255)) <=
                             tolerance;
      if (!close)
        return ::testing::AssertionFailure() << png.filename() << ": pixel (" << x << ", " << y << ") is " << std::hex
                                             << PixelColor(pic, x, y) << ", expected " << want;
    }
  return ::testing::AssertionSuccess();
}

// Matches any of the accepted readings.
::testing::AssertionResult MatchesAnyReference(const Picture& pic, const std::vector<fs::path>& pngs,
                                               int tolerance = 0) {
  std::string why;
  for (const fs::path& png : pngs) {
    auto r = MatchesReference(pic, png, tolerance);
    if (r) return r;
    why += std::string(r.message()) + "; ";
  }
  return ::testing::AssertionFailure() << why;
}

struct SuiteEntry {
  std::string file;               // e.g. "g/pal8.bmp"
  std::vector<fs::path> references;  // empty for "-"
};

std::vector<SuiteEntry> ReadReferenceMap(const fs::path& suite) {
  std::ifstream in(suite / "reference-map.tsv");
  std::vector<SuiteEntry> entries;
  std::string line;
  std::getline(in, line);  // column titles
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string file, version, refs;
    std::getline(fields, file, '\t');
    std::getline(fields, version, '\t');
    std::getline(fields, refs, '\t');
    SuiteEntry e{file, {}};
    std::istringstream names(refs);
    for (std::string n; names >> n;)
      if (n != "-") e.references.push_back(suite / n);
    entries.push_back(e);
  }
  return entries;
}

// Decodes a corpus file; the error text, if any, must name the file.
std::optional<Picture> TryLoad(const fs::path& path, std::string* error = nullptr) {
  Picture pic;
  try {
    LoadBmpFile(path, pic);
    return pic;
  } catch (const EngineError& e) {
    EXPECT_EQ(e.Code(), EngineErrorCode::Bmp);
    EXPECT_EQ(std::string(e.what()).rfind(path.string() + ": ", 0), 0u) << e.what();
    if (error) *error = e.what();
    return std::nullopt;
  }
}

// ---- corpus ------------------------------------------------------------------

TEST(BmpCorpus, GoodFilesMatchTheirReferences) {
  KT58_REQUIRE_CORPUS(suite, "bmp/bmpsuite");
  int checked = 0;
  for (const SuiteEntry& e : ReadReferenceMap(suite)) {
    if (e.file.rfind("g/", 0) != 0) continue;
    SCOPED_TRACE(e.file);
    std::string error;
    auto pic = TryLoad(suite / e.file, &error);
    ASSERT_TRUE(pic) << error;
    EXPECT_TRUE(MatchesAnyReference(*pic, e.references));
    ++checked;
  }
  EXPECT_EQ(checked, 27);
}

TEST(BmpCorpus, QuestionableFilesDecodeToAReferenceOrAreRefused) {
  KT58_REQUIRE_CORPUS(suite, "bmp/bmpsuite");
  // Formats we do not read: Huffman 1D, embedded JPEG and PNG, 64-bit pixels,
  // and the OS/2 bitmap array container.
  const std::set<std::string> refused = {"q/pal1huffmsb.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgba64.bmp",
                                         "x/ba-bm.bmp"};
  // Its stored red and green are swapped and only its ICC profile (ignored)
  // swaps them back.
  const std::set<std::string> colours_differ = {"q/rgb24prof2.bmp"};
  // 11-bit channels drawn from a finer original than the 8-bit reference:
  // exact scaling lands within one unit of it.
  const std::set<std::string> within_one = {"q/rgb32-111110.bmp"};
  int decoded = 0;
  for (const SuiteEntry& e : ReadReferenceMap(suite)) {
    if (e.file.rfind("q/", 0) != 0 && e.file.rfind("x/", 0) != 0) continue;
    SCOPED_TRACE(e.file);
    std::string error;
    auto pic = TryLoad(suite / e.file, &error);
    if (refused.count(e.file)) {
      EXPECT_FALSE(pic);
      continue;
    }
    ASSERT_TRUE(pic) << error;
    ++decoded;
    if (colours_differ.count(e.file)) {
      Picture swapped = *pic;
      for (int y = 0; y < swapped.Height(); ++y)
        for (int x = 0; x < swapped.Width(); ++x) std::swap(swapped.Row(y)[3 * x + 1], swapped.Row(y)[3 * x + 2]);
      EXPECT_TRUE(MatchesReference(swapped, suite / "html/rgb24.png"));
      continue;
    }
    // Where the suite offers a reading with undrawn pixels black, that is ours.
    std::vector<fs::path> accepted = e.references;
    for (const fs::path& r : e.references)
      if (r.stem().string().ends_with("-b")) accepted = {r};
    EXPECT_TRUE(MatchesAnyReference(*pic, accepted, within_one.count(e.file) ? 1 : 0));
  }
  EXPECT_EQ(decoded, 39);
}

TEST(BmpCorpus, BadFilesAreRefusedOrGiveASoundPicture) {
  KT58_REQUIRE_CORPUS(suite, "bmp/bmpsuite");
  enum Outcome { kRefused, kDecodes };
  // Harmless faults decode (a 1-bit picture like g/pal1.bmp); faults that
  // leave no sound picture are refused; the RLE overrun attempts decode with
  // their runs clipped at the picture's edges (the sanitizer build checks
  // that nothing is written past them).
  const std::map<std::string, Outcome> outcome = {
      {"b/badbitcount.bmp", kRefused},  {"b/badbitssize.bmp", kDecodes},   {"b/baddens1.bmp", kDecodes},
      {"b/baddens2.bmp", kDecodes},     {"b/badfilesize.bmp", kDecodes},   {"b/badheadersize.bmp", kRefused},
      {"b/badpalettesize.bmp", kDecodes}, {"b/badplanes.bmp", kDecodes},   {"b/badrle.bmp", kDecodes},
      {"b/badrle4.bmp", kDecodes},       {"b/badrle4bis.bmp", kDecodes},     {"b/badrle4ter.bmp", kDecodes},
      {"b/badrlebis.bmp", kDecodes},     {"b/badrleter.bmp", kDecodes},      {"b/badwidth.bmp", kRefused},
      {"b/pal8badindex.bmp", kDecodes}, {"b/reallybig.bmp", kRefused},     {"b/rgb16-880.bmp", kDecodes},
      {"b/rletopdown.bmp", kRefused},   {"b/shortfile.bmp", kRefused},
  };
  const std::set<std::string> like_pal1 = {"b/badbitssize.bmp", "b/baddens1.bmp", "b/baddens2.bmp",
                                           "b/badfilesize.bmp", "b/badplanes.bmp"};
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(suite / "b")) {
    const std::string file = "b/" + entry.path().filename().string();
    SCOPED_TRACE(file);
    ASSERT_TRUE(outcome.count(file)) << "no expected outcome";
    ++seen;
    auto pic = TryLoad(entry.path());
    if (outcome.at(file) == kRefused) {
      EXPECT_FALSE(pic);
      continue;
    }
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->Width(), 127);
    EXPECT_EQ(pic->Height(), 64);
    std::optional<fs::path> reference;
    if (like_pal1.count(file)) reference = suite / "html/pal1.png";
    if (file == "b/rgb16-880.bmp") reference = suite / "html/rgb16-880.png";
    if (file == "b/badpalettesize.bmp") reference = suite / "html/pal8.png";
    if (reference) {
      EXPECT_TRUE(MatchesReference(*pic, *reference));
    }
  }
  EXPECT_EQ(seen, 20);
}

TEST(BmpCorpus, RealWorldFilesMatchTheirPictures) {
  KT58_REQUIRE_CORPUS(bmp, "bmp");
  for (const char* name :
       {"bricks-color", "bricks-dither", "bricks-gray", "bricks-nodither", "hat", "hippopotamus", "pjw-thumbnail"}) {
    SCOPED_TRACE(name);
    auto pic = TryLoad(bmp / "wuffs" / (std::string(name) + ".bmp"));
    ASSERT_TRUE(pic);
    EXPECT_TRUE(MatchesReference(*pic, bmp / "wuffs" / (std::string(name) + ".png")));
  }

  // 13 x 7, 5-6-5 bit fields: black "BMP" on white.
  auto text = TryLoad(bmp / "corkami-pocs-mini/bmp.bmp");
  ASSERT_TRUE(text);
  ASSERT_EQ(text->Width(), 13);
  ASSERT_EQ(text->Height(), 7);
  int black = 0, white = 0;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      black += PixelColor(*text, x, y) == 0x000000;
      white += PixelColor(*text, x, y) == 0xFFFFFF;
    }
  EXPECT_EQ(black, 30);
  EXPECT_EQ(white, 61);

  // 30 bytes, OS/2 1.x header: one red pixel.
  auto red = TryLoad(bmp / "mathiasbynens-small/bmp.bmp");
  ASSERT_TRUE(red);
  EXPECT_TRUE(PicturesEqual(*red, MakePicture({{RGBColor(255, 0, 0)}})));
}

// ---- hand-built files ----------------------------------------------------------

// A BMP with a 40-byte header, laid out field by field.
struct BmpParts {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  std::vector<Color> palette = {};  // written blue, green, red, 0
  std::vector<uint32_t> masks = {};  // written after the header
  std::vector<uint8_t> pixels = {};
  std::optional<uint32_t> pixel_offset = {};  // default: right after the colour table
};

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> BuildBmp(const BmpParts& s) {
  const uint32_t offset = static_cast<uint32_t>(54 + 4 * s.masks.size() + 4 * s.palette.size());
  const uint32_t total = offset + static_cast<uint32_t>(s.pixels.size());
  std::vector<uint8_t> b = {'B', 'M'};
  Put(b, total, 4);
  Put(b, 0, 4);
  Put(b, s.pixel_offset.value_or(offset), 4);
  Put(b, 40, 4);
  Put(b, static_cast<uint32_t>(s.width), 4);
  Put(b, static_cast<uint32_t>(s.height), 4);
  Put(b, 1, 2);
  Put(b, s.bits, 2);
  Put(b, s.compression, 4);
  Put(b, static_cast<uint32_t>(s.pixels.size()), 4);
  Put(b, 2835, 4);
  Put(b, 2835, 4);
  Put(b, static_cast<uint32_t>(s.palette.size()), 4);
  Put(b, 0, 4);
  for (uint32_t m : s.masks) Put(b, m, 4);
  for (Color c : s.palette) {
    const BGR e = ColorToBGR(c);
    b.insert(b.end(), {e.b, e.g, e.r, 0});
  }
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  return b;
}

constexpr Color kRed = RGBColor(255, 0, 0), kGreen = RGBColor(0, 255, 0), kBlue = RGBColor(0, 0, 255);
constexpr Color kBlack = 0;

struct HandCase {
  const char* what;
  BmpParts bmp;
  const char* error;                      // the fault after "logo.bmp: ", or nullptr
  std::vector<std::vector<Color>> rows;  // expected picture, top row first
};

Picture PictureFromRows(const std::vector<std::vector<Color>>& rows) {
  Picture p(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) test::SetPixelColor(p, static_cast<int>(x), static_cast<int>(y), rows[y][x]);
  return p;
}

TEST(BmpReader, HandBuiltFilesDecodeOrFailAsDecided) {
  const std::vector<HandCase> cases = {
      {"bottom-up rows", {.width = 1, .height = 2, .pixels = {0, 0, 255, 0, 255, 0, 0, 0}}, nullptr, {{kBlue}, {kRed}}},
      {"negative height stores rows top-down",
       {.width = 1, .height = -2, .pixels = {0, 0, 255, 0, 255, 0, 0, 0}}, nullptr, {{kRed}, {kBlue}}},
      {"last row without its padding", {.width = 1, .height = 2, .pixels = {0, 0, 255, 0, 255, 0, 0}}, nullptr,
       {{kBlue}, {kRed}}},
      {"pixel data cut short", {.width = 1, .height = 2, .pixels = {0, 0, 255, 0, 255, 0}}, "pixel data is cut short",
       {}},
      {"index beyond the colour table reads black",
       {.width = 3, .bits = 8, .palette = {kRed, kGreen}, .pixels = {0, 1, 7, 0}}, nullptr, {{kRed, kGreen, kBlack}}},
      {"2-bit indices, most significant first",
       {.width = 3, .bits = 2, .palette = {kRed, kGreen, kBlue}, .pixels = {0b10'01'00'00, 0, 0, 0}}, nullptr,
       {{kBlue, kGreen, kRed}}},
      {"pixel offset inside the headers: pixels follow the colour table",
       {.width = 2, .bits = 8, .palette = {kRed, kGreen}, .pixels = {1, 0, 0, 0}, .pixel_offset = 20}, nullptr,
       {{kGreen, kRed}}},
      {"pixel offset past the end",
       {.width = 1, .pixels = {0, 0, 255, 0}, .pixel_offset = 1000}, "pixel data offset 1000 is past the end of the file",
       {}},
      {"no colour table", {.width = 1, .bits = 8, .pixels = {0, 0, 0, 0}}, "the colour table is missing", {}},
      {"huge width", {.width = 16385, .height = 1},
       "image size 16385 x 1 is beyond the picture size limit (16384 per side, 33554432 pixels)", {}},
      {"huge area", {.width = 8192, .height = -4097},
       "image size 8192 x 4097 is beyond the picture size limit (16384 per side, 33554432 pixels)", {}},
      {"negative width", {.width = -3}, "invalid width -3", {}},
      {"zero height", {.height = 0}, "invalid height 0", {}},
      {"odd bit depth", {.bits = 7}, "unsupported bit depth 7", {}},
      {"embedded JPEG", {.compression = 4}, "unsupported compression 4", {}},
      {"16-bit 5-6-5 fields are scaled, not shifted",
       {.width = 2, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .pixels = {0xFF, 0xFF, 0x10, 0x84}},
       nullptr, {{RGBColor(255, 255, 255), RGBColor(132, 130, 132)}}},
      {"32-bit fields in an unusual order",
       {.width = 1, .bits = 32, .compression = 3, .masks = {0xFF, 0xFF00, 0xFF000000}, .pixels = {0x11, 0x22, 0, 0x33}},
       nullptr, {{RGBColor(0x11, 0x22, 0x33)}}},
      {"bit-field mask with a gap",
       {.bits = 16, .compression = 3, .masks = {0xF00F, 0x00F0, 0}, .pixels = {0, 0, 0, 0}},
       "bit-field mask 0x0000F00F is not contiguous", {}},
      {"RLE8 run past the row is clipped",
       {.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = {kRed, kGreen, kBlue},
        .pixels = {5, 1, 0, 0, 2, 2, 0, 1}},
       nullptr, {{kBlue, kBlue}, {kGreen, kGreen}}},
      {"RLE8 delta and early end leave pixels black",
       {.width = 3, .height = 2, .bits = 8, .compression = 1, .palette = {kRed, kGreen, kBlue},
        .pixels = {1, 1, 0, 2, 1, 1, 1, 2, 0, 1}},
       nullptr, {{kBlack, kBlack, kBlue}, {kGreen, kBlack, kBlack}}},
      {"RLE4 literal and alternating run",
       {.width = 4, .height = 2, .bits = 4, .compression = 2, .palette = {kRed, kGreen, kBlue},
        .pixels = {0, 4, 0x12, 0x01, 0, 0, 3, 0x21, 0, 1}},
       nullptr, {{kBlue, kGreen, kBlue, kBlack}, {kGreen, kBlue, kRed, kGreen}}},
      {"RLE8 literal run with odd length is padded",
       {.width = 4, .height = 1, .bits = 8, .compression = 1, .palette = {kRed, kGreen, kBlue},
        .pixels = {0, 3, 2, 1, 2, 0, 1, 0, 0, 1}},
       nullptr, {{kBlue, kGreen, kBlue, kRed}}},
      {"RLE data ends before the picture is complete",
       {.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = {kRed}, .pixels = {2, 0, 0, 0}},
       "compressed pixel data is cut short", {}},
      {"RLE stored top-down",
       {.width = 2, .height = -2, .bits = 8, .compression = 1, .palette = {kRed}, .pixels = {0, 1}},
       "compressed pixel data cannot be stored top-down", {}},
      {"RLE leaving a whole moderate picture blank",
       {.width = 1000, .height = 1000, .bits = 8, .compression = 1, .palette = {kRed}, .pixels = {0, 1}}, nullptr,
       std::vector<std::vector<Color>>(1000, std::vector<Color>(1000, kBlack))},
      {"RLE describing a huge picture in a few bytes",
       {.width = 8000, .height = 4000, .bits = 8, .compression = 1, .palette = {kRed}, .pixels = {0, 1}},
       "compressed pixel data is too short for a 8000 x 4000 image", {}},
      {"RLE4 code with 8 bits per pixel",
       {.bits = 8, .compression = 2, .palette = {kRed}, .pixels = {0, 1}}, "compression 2 with 8 bits per pixel", {}},
  };
  for (const HandCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> bytes = BuildBmp(c.bmp);
    Picture pic;
    if (c.error) {
      try {
        DecodeBmp(bytes.data(), bytes.size(), pic, "logo.bmp");
        ADD_FAILURE() << "decoded";
      } catch (const EngineError& e) {
        EXPECT_EQ(e.Code(), EngineErrorCode::Bmp);
        EXPECT_EQ(std::string(e.what()), std::string("logo.bmp: ") + c.error);
      }
    } else {
      ASSERT_NO_THROW(DecodeBmp(bytes.data(), bytes.size(), pic, "logo.bmp"));
      EXPECT_TRUE(PicturesEqual(pic, PictureFromRows(c.rows)));
    }
  }
}

TEST(BmpReader, EveryTruncationOfAFileIsRefusedCleanly) {
  const std::vector<uint8_t> bytes = BuildBmp(
      {.width = 3, .height = 2, .bits = 8, .palette = {kRed, kGreen, kBlue}, .pixels = {0, 1, 2, 0, 2, 1, 0, 0}});
  Picture pic;
  ASSERT_NO_THROW(DecodeBmp(bytes.data(), bytes.size(), pic, "cut.bmp"));
  // Everything up to the last row's pixels is needed.
  for (size_t n = 0; n + 1 < bytes.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { DecodeBmp(bytes.data(), n, pic, "cut.bmp"); }),
              EngineErrorCode::Bmp);
  }
}

// ---- the stream form -----------------------------------------------------------

TEST(BmpReader, RoundTripsWrittenPictures) {
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {4, 5}, {17, 9}}) {
    const Picture p = test::MakeRandomPicture(w, h, static_cast<uint32_t>(w * 100 + h));
    const std::vector<uint8_t> bytes = EncodeBmp(p);
    Picture q;
    DecodeBmp(bytes.data(), bytes.size(), q, "mem");
    EXPECT_TRUE(PicturesEqual(p, q));
  }
}

TEST(BmpReader, StreamReadsImagesBackToBackAndStopsAfterEach) {
  const Picture a = test::MakeRandomPicture(5, 3, 1);
  const Picture b = test::MakeRandomPicture(2, 7, 2);
  // Images of other forms between our own: 8-bit with a colour table, and
  // RLE8 whose length comes from its image size field.
  const std::vector<uint8_t> indexed =
      BuildBmp({.width = 3, .height = 1, .bits = 8, .palette = {kRed, kGreen, kBlue}, .pixels = {2, 1, 0, 0}});
  const std::vector<uint8_t> rle = BuildBmp(
      {.width = 2, .height = 1, .bits = 8, .compression = 1, .palette = {kRed, kGreen}, .pixels = {2, 1, 0, 1}});
  std::stringstream s;
  WriteBmpImage(a, s);
  s.write(reinterpret_cast<const char*>(indexed.data()), static_cast<std::streamsize>(indexed.size()));
  s.write(reinterpret_cast<const char*>(rle.data()), static_cast<std::streamsize>(rle.size()));
  WriteBmpImage(b, s);
  s << "tail";

  Picture got;
  ReadBmpImage(s, got, "store");
  EXPECT_TRUE(PicturesEqual(got, a));
  EXPECT_EQ(s.tellg(), static_cast<std::streamoff>(BmpImageSize(a)));
  ReadBmpImage(s, got, "store");
  EXPECT_TRUE(PicturesEqual(got, MakePicture({{kBlue, kGreen, kRed}})));
  ReadBmpImage(s, got, "store");
  EXPECT_TRUE(PicturesEqual(got, MakePicture({{kGreen, kGreen}})));
  ReadBmpImage(s, got, "store");
  EXPECT_TRUE(PicturesEqual(got, b));
  std::string rest;
  s >> rest;
  EXPECT_EQ(rest, "tail");
}

TEST(BmpReader, ShortStreamsRaiseAndKeepThePicture) {
  const std::vector<uint8_t> full = EncodeBmp(test::MakeRandomPicture(6, 4, 3));
  const Picture before = test::MakeRandomPicture(2, 2, 4);
  for (size_t n : {size_t{0}, size_t{10}, size_t{53}, full.size() - 1}) {
    SCOPED_TRACE(n);
    std::istringstream s(std::string(reinterpret_cast<const char*>(full.data()), n));
    Picture got = before;
    try {
      ReadBmpImage(s, got, "frames.dat");
      ADD_FAILURE() << "read";
    } catch (const EngineError& e) {
      EXPECT_EQ(e.Code(), EngineErrorCode::Bmp);
      EXPECT_EQ(std::string(e.what()).rfind("frames.dat: ", 0), 0u) << e.what();
    }
    EXPECT_TRUE(PicturesEqual(got, before));
  }
}

TEST(BmpReader, LoadBmpFileNamesAMissingFile) {
  test::TempDir dir;
  Picture pic;
  try {
    LoadBmpFile(dir / "absent.bmp", pic);
    FAIL() << "loaded";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.Code(), EngineErrorCode::Bmp);
    EXPECT_EQ(std::string(e.what()), (dir / "absent.bmp").string() + ": cannot open the file");
  }
}

}  // namespace
}  // namespace kt58
