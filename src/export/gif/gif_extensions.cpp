// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_extensions.h"

#include <algorithm>

namespace kt58 {

void AppendWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendSubBlocks(std::vector<uint8_t>& out, const uint8_t* data, size_t size) {
  out.reserve(out.size() + size + size / 255 + 2);
  while (size > 0) {
    const size_t n = std::min<size_t>(size, 255);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data, data + n);
    data += n;
    size -= n;
  }
  out.push_back(0);
}

void GifGraphicControlExtension::Write(std::vector<uint8_t>& out) const {
  out.push_back(0x21);
  out.push_back(Label());
  out.push_back(4);
  out.push_back(static_cast<uint8_t>(((Disposal & 7) << 2) | (UserInput ? 2 : 0) | (Transparent ? 1 : 0)));
  AppendWord(out, Delay);
  out.push_back(TransparentColorIndex);
  out.push_back(0);
}

std::unique_ptr<GifExtension> GifGraphicControlExtension::Clone() const {
  auto copy = std::make_unique<GifGraphicControlExtension>();
  copy->Disposal = Disposal;
  copy->UserInput = UserInput;
  copy->Transparent = Transparent;
  copy->Delay = Delay;
  copy->TransparentColorIndex = TransparentColorIndex;
  return copy;
}

void GifLoopExtension::Write(std::vector<uint8_t>& out) const {
  static constexpr char kIdent[] = "NETSCAPE2.0";
  out.push_back(0x21);
  out.push_back(Label());
  out.push_back(11);
  out.insert(out.end(), kIdent, kIdent + 11);
  out.push_back(3);
  out.push_back(1);
  AppendWord(out, Loops);
  out.push_back(0);
}

std::unique_ptr<GifExtension> GifLoopExtension::Clone() const {
  auto copy = std::make_unique<GifLoopExtension>();
  copy->Loops = Loops;
  return copy;
}

void GifCommentExtension::Write(std::vector<uint8_t>& out) const {
  out.push_back(0x21);
  out.push_back(Label());
  AppendSubBlocks(out, reinterpret_cast<const uint8_t*>(Text.data()), Text.size());
}

std::unique_ptr<GifExtension> GifCommentExtension::Clone() const {
  auto copy = std::make_unique<GifCommentExtension>();
  copy->Text = Text;
  return copy;
}

void GifTextExtension::Write(std::vector<uint8_t>& out) const {
  out.push_back(0x21);
  out.push_back(Label());
  out.push_back(12);
  AppendWord(out, Left);
  AppendWord(out, Top);
  AppendWord(out, GridWidth);
  AppendWord(out, GridHeight);
  out.push_back(CellWidth);
  out.push_back(CellHeight);
  out.push_back(ForegroundIndex);
  out.push_back(BackgroundIndex);
  AppendSubBlocks(out, reinterpret_cast<const uint8_t*>(Text.data()), Text.size());
}

std::unique_ptr<GifExtension> GifTextExtension::Clone() const {
  return std::make_unique<GifTextExtension>(*this);
}

void GifApplicationExtension::Write(std::vector<uint8_t>& out) const {
  out.push_back(0x21);
  out.push_back(Label());
  out.push_back(11);
  out.insert(out.end(), Identifier.begin(), Identifier.end());
  out.insert(out.end(), Authentication.begin(), Authentication.end());
  AppendSubBlocks(out, Data.data(), Data.size());
}

std::unique_ptr<GifExtension> GifApplicationExtension::Clone() const {
  return std::make_unique<GifApplicationExtension>(*this);
}

}  // namespace kt58
