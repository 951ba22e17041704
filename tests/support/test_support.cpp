// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/test_support.h"

#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "engine/bmp_codec.h"

namespace kt58::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "kt58";
  for (char& c : name)
    if (c == '/') c = '_';
  std::string tmpl = (fs::temp_directory_path() / ("kt58-" + name + "-XXXXXX")).string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
  if (const char* old = std::getenv("KT58_HOME")) old_home_ = old;
  ::setenv("KT58_HOME", path_.c_str(), 1);
}

TempDir::~TempDir() {
  if (old_home_)
    ::setenv("KT58_HOME", old_home_->c_str(), 1);
  else
    ::unsetenv("KT58_HOME");
  std::error_code ec;
  fs::remove_all(path_, ec);
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
  old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim{};
  ::getrlimit(RLIMIT_FSIZE, &lim);
  old_soft_ = lim.rlim_cur;
  lim.rlim_cur = static_cast<rlim_t>(bytes);
  if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ADD_FAILURE() << "cannot lower the file-size limit";
}

FileSizeLimit::~FileSizeLimit() {
  rlimit lim{};
  ::getrlimit(RLIMIT_FSIZE, &lim);
  lim.rlim_cur = static_cast<rlim_t>(old_soft_);
  ::setrlimit(RLIMIT_FSIZE, &lim);
  std::signal(SIGXFSZ, old_handler_);
}

std::optional<fs::path> CorpusDir(const std::string& sub) {
  const char* env = std::getenv("KT58_CORPUS_DIR");
  fs::path dir = fs::path(env && *env ? env : KT58_CORPUS_DIR) / sub;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return std::nullopt;
  return dir;
}

size_t VisibleFilesIn(const fs::path& folder) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().filename().string().front() != '.';
  return n;
}

std::vector<uint8_t> ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path WriteBmpFile(const TempDir& dir, const std::string& name, const Picture& p) {
  const fs::path path = dir / name;
  WriteFileBytes(path, EncodeBmp(p));
  return path;
}

Color PixelColor(const Picture& p, int x, int y) {
  const uint8_t* px = p.Row(y) + 3 * x;
  return RGBColor(px[2], px[1], px[0]);
}

void SetPixelColor(Picture& p, int x, int y, Color c) {
  uint8_t* px = p.Row(y) + 3 * x;
  const BGR bgr = ColorToBGR(c);
  px[0] = bgr.b;
  px[1] = bgr.g;
  px[2] = bgr.r;
}

Picture MakePicture(std::initializer_list<std::initializer_list<Color>> rows) {
  const int h = static_cast<int>(rows.size());
  const int w = h ? static_cast<int>(rows.begin()->size()) : 0;
  Picture p(w, h);
  int y = 0;
  for (const auto& row : rows) {
    int x = 0;
    for (Color c : row) SetPixelColor(p, x++, y, c);
    ++y;
  }
  return p;
}

Picture MakeSolidPicture(int width, int height, Color c) {
  Picture p(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelColor(p, x, y, c);
  return p;
}

Picture MakeRandomPicture(int width, int height, uint32_t seed) {
  std::mt19937 rng(seed);
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = p.Row(y);
    for (int i = 0; i < 3 * width; ++i) row[i] = static_cast<uint8_t>(rng());
  }
  return p;
}

// The samples as stored, without the colour-space conversion of libpng's
// simplified API (which applies gAMA chunks and takes 16-bit samples for
// linear light): 16-bit samples are rounded to 8 bits, palettes and grey are
// expanded, and alpha is 255 where the file has none.
RgbaImage ReadPng(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open PNG " + path.string());
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  RgbaImage out;
  std::vector<png_bytep> rows;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    throw std::runtime_error("cannot decode PNG " + path.string());
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out.width = static_cast<int>(png_get_image_width(png, info));
  out.height = static_cast<int>(png_get_image_height(png, info));
  out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
  for (int y = 0; y < out.height; ++y) rows.push_back(out.rgba.data() + static_cast<size_t>(y) * out.width * 4);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return out;
}

::testing::AssertionResult PicturesEqual(const Picture& a, const Picture& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return ::testing::AssertionFailure() << "sizes differ: " << a.Width() << "x" << a.Height() << " vs " << b.Width()
                                         << "x" << b.Height();
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (PixelColor(a, x, y) != PixelColor(b, x, y)) {
        std::ostringstream s;
        s << "pixel (" << x << ", " << y << ") differs: " << std::hex << PixelColor(a, x, y) << " vs "
          << PixelColor(b, x, y);
        return ::testing::AssertionFailure() << s.str();
      }
  return ::testing::AssertionSuccess();
}

}  // namespace kt58::test
