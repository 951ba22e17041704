// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/single_frame.h"

#include <algorithm>
#include <cctype>

#include "engine/bmp_codec.h"
#include "engine/jpeg_picture.h"
#include "engine/png_picture.h"
#include "export/gif/gif_image.h"
#include "export/memory_plan.h"
#include "model/image_resource.h"
#include "platform/atomic_file.h"
#include "platform/memory_budget.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace fs = std::filesystem;

std::string ErrorSavingFileText(const fs::path& path) { return "Error saving file\r" + path.string(); }

namespace {

void WriteBmp(const Picture& picture, const fs::path& path) {
  try {
    SaveBmpFile(picture, path);
  } catch (const std::exception& e) {
    throw ESingleFrameExport(ErrorSavingFileText(path) + ": " + e.what());
  }
}

void WriteJpeg(const Picture& picture, const fs::path& path) {
  try {
    SaveJpegFile(picture, path, kSingleFrameJpegQuality);
  } catch (const std::exception& e) {
    throw ESingleFrameExport(std::string(kUnknownSaveErrorText) + " " + e.what());
  }
}

void WritePng(const Picture& picture, const fs::path& path, const std::optional<BGR>& transparent) {
  try {
    SavePngFile(picture, path, transparent);
  } catch (const std::exception& e) {
    throw ESingleFrameExport(std::string(kUnknownSaveErrorText) + " " + e.what());
  }
}

void WriteGif(const Picture& picture, const fs::path& path, int dither) {
  try {
    GifImage image;
    image.SetDitherMode(dither);
    image.SetColorReduction(rmQuantizeWindows);
    image.SetReductionBits(8);
    image.SetCompression(gcRLE);
    image.SetWidth(picture.Width());
    image.SetHeight(picture.Height());
    image.Assign(picture);
    WriteFileAtomically(path, image.SaveToBytes());
  } catch (const std::exception& e) {
    throw ESingleFrameExport(std::string(kUnknownSaveErrorText) + " " + e.what());
  }
}

}  // namespace

void SaveFrameToFile(const Project& project, const SequencedFrame* frame, FrameClock clock, const fs::path& path,
                     int gif_dither, const OutputSize& size, bool transparent) {
  // PNG is no source type (a layer is never made of one), so its name is
  // recognised here.
  const bool png = SameTextIgnoringCase(path.extension().string(), ".png");
  // Only PNG has an alpha channel here.
  if (transparent && !png) throw ESingleFrameExport(kUnsupportedFileTypeText);
  {
    // "PNG", "BMP", ...: the extension names the output.
    std::string kind = path.extension().string().substr(std::min<size_t>(1, path.extension().string().size()));
    for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    CheckFrameAtATime(kind, project, size, MemoryBudget());
  }
  WorkPicture picture;
  try {
    picture = ComposeFrame(project, frame, clock);
  } catch (const std::exception&) {
    throw ESingleFrameExport(ErrorSavingFileText(path));
  }
  // No frame or a frame without layers gives no picture: nothing to save.
  if (!picture) throw ESingleFrameExport(ErrorSavingFileText(path));
  FrameScaler(size).Apply(*picture);
  if (png) {
    WritePng(*picture, path, transparent ? std::optional<BGR>(BackgroundBgr(project)) : std::nullopt);
  } else {
    switch (SourceTypeFromExtension(path)) {
      case st_Bmp: WriteBmp(*picture, path); break;
      case st_Jpg: WriteJpeg(*picture, path); break;
      case st_Gif: WriteGif(*picture, path, gif_dither); break;
      default: throw ESingleFrameExport(kUnsupportedFileTypeText);
    }
  }
  FreeWorkPicture(picture);
}

void ExportSingleFrame(const Project& project, const FrameSequence& sequence, int index, const fs::path& path,
                       const OutputSize& size, bool transparent) {
  const SequencedFrame* frame = sequence.Frame(index);
  if (!frame) throw ESingleFrameExport(ErrorSavingFileText(path));
  SaveFrameToFile(project, frame, FrameClock::Stepping(index), path, dmNearest, size, transparent);
}

std::optional<std::string> SaveCurrentFrameCommand(const Project& project, const SequencedFrame* frame,
                                                   FrameClock clock, const fs::path& path, int gif_dither) {
  try {
    SaveFrameToFile(project, frame, clock, path, gif_dither);
    return std::nullopt;
  } catch (const ESingleFrameExport& e) {
    return e.what();
  } catch (const std::exception&) {
    return ErrorSavingFileText(path);
  }
}

}  // namespace kt58
