// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/avi_import.h"

#include <cstring>
#include <new>
#include <system_error>

#include "engine/errors.h"
#include "platform/avi_file.h"

namespace kt58 {

namespace {

// The decoded rows into the 24-bit work picture; raises EngineError (PictureSize) for a
// frame the picture cannot hold.
void FrameToPicture(const AviFrame& frame, Picture& picture) {
  if (picture.Width() != frame.width || picture.Height() != frame.height)
    picture.SetSizeForOverwrite(frame.width, frame.height);
  const size_t row_bytes = static_cast<size_t>(frame.width) * 3;
  for (int r = 0; r < frame.height; ++r) std::memcpy(picture.Row(r), frame.Row(r), row_bytes);
}

}  // namespace

WorkPicture ImportAvi(FrameStore& store, const std::filesystem::path& path, bool probe, Progress& progress) {
  std::error_code ec;
  if (!store.IsOpen() || !std::filesystem::is_regular_file(path, ec)) return nullptr;

  constexpr const char* kConverting = "Converting AVI to kt58 BlitStream";
  if (!probe) {
    progress.Begin("Import AVI...", true);
    progress.Report("Preparing for Import...", 0, 0);
  }

  store.FrameOffsets.clear();
  store.FrameCount = 0;

  const std::unique_ptr<AviFile> file = AviFile::Open(path);
  if (!file) return nullptr;
  const std::unique_ptr<AviFrameDecoder> decoder = file->OpenFrameDecoder();
  if (!decoder) return nullptr;

  const AviStreamRange range = file->Range();
  const int64_t steps = int64_t{range.length} - range.start;
  WorkPicture work = CreateWorkPicture24();
  WorkPicture result;
  for (int32_t p = range.start; p < range.length; ++p) {
    if (!probe) {
      progress.Report(kConverting, p - range.start, steps);
      if (progress.Cancelled()) {
        // Nothing of a cancelled import stays: no frames, no store file.
        FreeWorkPicture(result);
        FreeWorkPicture(work);
        store.Discard();
        throw Cancelled();
      }
    }
    const AviFrame* frame = decoder->GetFrame(p);
    if (!frame) break;  // the frames so far stay
    try {
      FrameToPicture(*frame, *work);
      if (!result) {
        result = CreateWorkPicture();
        result->Assign(*work);
      }
    } catch (const Kt58Error&) {
      FreeWorkPicture(result);
      break;
    } catch (const std::bad_alloc&) {
      FreeWorkPicture(result);
      break;
    }
    if (probe) break;
    // Every frame of the stream has the first one's size.
    if (p == range.start) store.CheckRoomFor(steps, *work);
    // A frame the disk refuses raises with its cause; one that cannot be
    // appended otherwise fails the import like any other error instead of
    // leaving a store with a gap that still reports success.
    if (!store.AppendFrame(*work)) {
      FreeWorkPicture(result);
      break;
    }
  }

  if (result) store.WriteHeader();
  FreeWorkPicture(work);
  return result;
}

}  // namespace kt58
