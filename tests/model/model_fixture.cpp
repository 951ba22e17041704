// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/model_fixture.h"


namespace kt58::test {

namespace {

class BitWriter {
 public:
  void Put(unsigned code, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (used_ % 8 == 0) bytes.push_back(0);
      if (code & (1u << i)) bytes.back() |= static_cast<uint8_t>(1u << (used_ % 8));
      ++used_;
    }
  }
  std::vector<uint8_t> bytes;

 private:
  size_t used_ = 0;
};

void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 255));
  out.push_back(static_cast<uint8_t>((v >> 8) & 255));
}

}  // namespace

std::vector<uint8_t> MakeTinyGif(int width, int height, const std::vector<Color>& palette4,
                                 const std::vector<TinyGifImage>& images) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, width);
  Put16(out, height);
  out.push_back(0x81);  // global table of 4 entries
  out.push_back(0);
  out.push_back(0);
  for (int i = 0; i < 4; ++i) {
    const Color c = i < static_cast<int>(palette4.size()) ? palette4[i] : 0;
    out.push_back(static_cast<uint8_t>(c & 255));
    out.push_back(static_cast<uint8_t>((c >> 8) & 255));
    out.push_back(static_cast<uint8_t>((c >> 16) & 255));
  }
  for (const TinyGifImage& image : images) {
    out.insert(out.end(), {0x21, 0xF9, 0x04});
    out.push_back(image.transparent_index >= 0 ? 1 : 0);
    Put16(out, 0);
    out.push_back(static_cast<uint8_t>(image.transparent_index >= 0 ? image.transparent_index : 0));
    out.push_back(0);
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(0);
    out.push_back(2);  // minimum code size: clear 4, end 5
    BitWriter bits;
    for (uint8_t index : image.indices) {
      bits.Put(4, 3);
      bits.Put(index, 3);
    }
    bits.Put(5, 3);
    for (size_t at = 0; at < bits.bytes.size(); at += 255) {
      const size_t n = std::min<size_t>(255, bits.bytes.size() - at);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), bits.bytes.begin() + static_cast<long>(at), bits.bytes.begin() + static_cast<long>(at + n));
    }
    out.push_back(0);
  }
  out.push_back(0x3B);
  return out;
}

std::filesystem::path ModelTest::WriteBmp(const std::string& name, const Picture& picture) {
  return WriteBmpFile(dir, name, picture);
}

std::filesystem::path ModelTest::WriteGif(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path path = dir / name;
  WriteFileBytes(path, bytes);
  return path;
}

Layer* ModelTest::AddLayerFromFile(const std::filesystem::path& file) {
  auto layer = std::make_unique<Layer>(*project.References);
  layer->ImageRef = layer->AddReference(file, NoProgress());
  if (!layer->ImageRef) return nullptr;
  ++layer->ImageRef->NameCounter;
  layer->AutoDetectTransparentColor();
  Layer* raw = layer.get();
  project.ConstructorFrame->Layers.insert(project.ConstructorFrame->Layers.begin(), std::move(layer));
  return raw;
}

Layer* ModelTest::AddBareLayer() {
  auto layer = std::make_unique<Layer>(*project.References);
  Layer* raw = layer.get();
  project.ConstructorFrame->Layers.insert(project.ConstructorFrame->Layers.begin(), std::move(layer));
  return raw;
}

}  // namespace kt58::test
