// SPDX-License-Identifier: GPL-3.0-or-later
// A project under test in a private program folder, plus writers for small
// source files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/picture.h"
#include "model/project.h"
#include "support/test_support.h"

namespace kt58::test {

// A GIF with a four-colour global table; every image covers the whole
// screen with the given palette indices (rows top-down). Each pixel is coded
// after its own clear code, so the codes stay three bits wide.
struct TinyGifImage {
  std::vector<uint8_t> indices;
  int transparent_index = -1;
};
std::vector<uint8_t> MakeTinyGif(int width, int height, const std::vector<Color>& palette4,
                                 const std::vector<TinyGifImage>& images);

class ModelTest : public ::testing::Test {
 protected:
  std::filesystem::path WriteBmp(const std::string& name, const Picture& picture);
  std::filesystem::path WriteGif(const std::string& name, const std::vector<uint8_t>& bytes);
  // What the editor does when a file is dropped: a master layer on top with
  // its resource, the resource's NameCounter raised, the transparent colour
  // detected. Null when no resource came of the file.
  Layer* AddLayerFromFile(const std::filesystem::path& file);
  // A master layer without resource (sequencing needs none).
  Layer* AddBareLayer();

  // Destroyed in reverse order: the project (and its store files) first,
  // then the folder.
  TempDir dir;
  Project project;
};

}  // namespace kt58::test
