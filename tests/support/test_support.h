// SPDX-License-Identifier: GPL-3.0-or-later
// Shared test fixtures: a private temporary folder per test, the corpus
// location, small picture builders and a PNG reader for reference pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/colors.h"
#include "engine/errors.h"
#include "engine/picture.h"
#include "platform/platform_error.h"

namespace kt58::test {

// A fresh folder for one test, removed with the object. Also points
// KT58_HOME at it so the program folder of the code under test is private.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
  std::optional<std::string> old_home_;
};

// Lowers this process's file-size limit (RLIMIT_FSIZE) to `bytes` for the
// object's lifetime, SIGXFSZ ignored: a write past it fails with EFBIG, as
// on a file system that refuses the bytes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(uint64_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  uint64_t old_soft_;
  void (*old_handler_)(int);
};

// ../shared/corpus/<sub>, or nothing when the corpus is absent (tests then
// GTEST_SKIP with a message naming the folder).
std::optional<std::filesystem::path> CorpusDir(const std::string& sub = "");
#define KT58_REQUIRE_CORPUS(var, sub)                                                  \
  auto var##_opt = ::kt58::test::CorpusDir(sub);                                       \
  if (!var##_opt) GTEST_SKIP() << "test corpus folder not found: ../shared/corpus/" << (sub); \
  const std::filesystem::path var = *var##_opt

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
// The files a folder shows: names starting with a dot (the process's note
// of the files it owns, temporaries) do not count.
size_t VisibleFilesIn(const std::filesystem::path& folder);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// Writes the picture as a BMP file in the folder; returns its path.
std::filesystem::path WriteBmpFile(const TempDir& dir, const std::string& name, const Picture& p);

// Picture from rows of colours, top row first.
Picture MakePicture(std::initializer_list<std::initializer_list<Color>> rows);
Picture MakeSolidPicture(int width, int height, Color c);
// Deterministic pseudo-random picture.
Picture MakeRandomPicture(int width, int height, uint32_t seed);
Color PixelColor(const Picture& p, int x, int y);
void SetPixelColor(Picture& p, int x, int y, Color c);

// An RGBA image decoded from a PNG (8 bits per channel, rows top-down).
struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};
RgbaImage ReadPng(const std::filesystem::path& path);

// gtest assertion helper: pictures equal in size and every pixel; the
// message names the first differing pixel.
::testing::AssertionResult PicturesEqual(const Picture& a, const Picture& b);

// The code of the Error (PlatformError, EngineError) that `call` raises;
// none when it raises none.
template <class Error, class Call>
auto ErrorCodeOf(Call&& call) -> std::optional<decltype(std::declval<const Error&>().Code())> {
  try {
    call();
  } catch (const Error& e) {
    return e.Code();
  }
  return std::nullopt;
}

}  // namespace kt58::test
