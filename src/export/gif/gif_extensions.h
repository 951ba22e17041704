// SPDX-License-Identifier: GPL-3.0-or-later
// The extension blocks a frame carries, each written as introducer 0x21,
// label, data sub-blocks and a zero terminator.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kt58 {

class GifFrame;

enum class GIFExtensionKind { GraphicControl, Loop, Comment, PlainText, Application };

class GifExtension {
 public:
  virtual ~GifExtension() = default;
  virtual GIFExtensionKind Kind() const = 0;
  virtual uint8_t Label() const = 0;
  virtual void Write(std::vector<uint8_t>& out) const = 0;
  virtual std::unique_ptr<GifExtension> Clone() const = 0;
  // The frame the extension was created for (set when it joins a frame).
  GifFrame* SubImage() const { return sub_image_; }

 private:
  friend class GifFrame;
  GifFrame* sub_image_ = nullptr;
};

// Disposal methods of the graphic control extension.
enum GIFDisposal : uint8_t { dmNoDisposal = 0, dmNone = 1, dmBackground = 2, dmPrevious = 3 };

class GifGraphicControlExtension final : public GifExtension {
 public:
  GIFExtensionKind Kind() const override { return GIFExtensionKind::GraphicControl; }
  uint8_t Label() const override { return 0xF9; }
  void Write(std::vector<uint8_t>& out) const override;
  std::unique_ptr<GifExtension> Clone() const override;

  uint8_t Disposal = 0;  // 0..7, three bits in the file
  bool UserInput = false;
  bool Transparent = false;
  uint16_t Delay = 0;  // hundredths of a second
  uint8_t TransparentColorIndex = 0;
};

// NETSCAPE2.0 application extension: one sub-block with id 1 and the loop count.
class GifLoopExtension final : public GifExtension {
 public:
  GIFExtensionKind Kind() const override { return GIFExtensionKind::Loop; }
  uint8_t Label() const override { return 0xFF; }
  void Write(std::vector<uint8_t>& out) const override;
  std::unique_ptr<GifExtension> Clone() const override;

  uint16_t Loops = 0;  // 0 = forever
};

class GifCommentExtension final : public GifExtension {
 public:
  GIFExtensionKind Kind() const override { return GIFExtensionKind::Comment; }
  uint8_t Label() const override { return 0xFE; }
  void Write(std::vector<uint8_t>& out) const override;
  std::unique_ptr<GifExtension> Clone() const override;

  std::string Text;
};

class GifTextExtension final : public GifExtension {
 public:
  GIFExtensionKind Kind() const override { return GIFExtensionKind::PlainText; }
  uint8_t Label() const override { return 0x01; }
  void Write(std::vector<uint8_t>& out) const override;
  std::unique_ptr<GifExtension> Clone() const override;

  uint16_t Left = 0, Top = 0, GridWidth = 0, GridHeight = 0;
  uint8_t CellWidth = 0, CellHeight = 0, ForegroundIndex = 0, BackgroundIndex = 0;
  std::string Text;
};

// An application extension other than the loop extension, kept as raw data.
class GifApplicationExtension final : public GifExtension {
 public:
  GIFExtensionKind Kind() const override { return GIFExtensionKind::Application; }
  uint8_t Label() const override { return 0xFF; }
  void Write(std::vector<uint8_t>& out) const override;
  std::unique_ptr<GifExtension> Clone() const override;

  std::array<char, 8> Identifier{};
  std::array<char, 3> Authentication{};
  std::vector<uint8_t> Data;
};

// Appends data as sub-blocks of at most 255 bytes followed by the zero-length
// terminator block.
void AppendSubBlocks(std::vector<uint8_t>& out, const uint8_t* data, size_t size);
void AppendWord(std::vector<uint8_t>& out, uint16_t value);

}  // namespace kt58
