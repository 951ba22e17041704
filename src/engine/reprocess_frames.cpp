// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/reprocess_frames.h"

#include <fstream>
#include <limits>
#include <system_error>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "platform/owned_files.h"
#include "platform/program_folder.h"

namespace kt58 {

namespace {

void PutInt32(std::ostream& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF), static_cast<char>((u >> 16) & 0xFF),
                     static_cast<char>((u >> 24) & 0xFF)};
  out.write(b, 4);
}

}  // namespace

void ReprocessFrames(FrameStore& store, Progress& progress) {
  constexpr const char* kReprocessing = "Re-Processing Video...";
  const std::vector<int64_t> marks = store.FrameOffsets;
  const auto steps = static_cast<int64_t>(marks.size());
  progress.Begin("", false);
  progress.Report(kReprocessing, 0, steps);

  if (!store.OpenForRead()) throw Kt58Error("Cannot open the frame store file " + store.FileName.string());
  store.ReadHeader();

  // Another process re-processing at the same time gets a name of its own.
  // A temporary that cannot be made fails the run after the frames were
  // walked, which finds the store's real offsets again.
  std::filesystem::path temp;
  std::string create_error;
  try {
    temp = CreateFreeOwnedFile(ProgramFolder(), "bStream", ".Tmp");
  } catch (const PlatformError& e) {
    create_error = e.what();
  }
  std::ofstream out;
  if (!temp.empty()) out.open(temp, std::ios::binary | std::ios::trunc);
  bool write_failed = temp.empty() || !out;
  if (!write_failed) PutInt32(out, 0);

  // The store's file stays untouched until the new one is complete. The old
  // offsets (the caller replaced them by the marks) are found again while
  // reading, so that a failure can put the store back as it was.
  std::vector<int64_t> old_offsets;
  std::vector<int64_t> kept_offsets;
  int64_t write_at = 4;
  const int frames = store.FrameCount;
  for (int i = 0; i < frames; ++i) {
    old_offsets.push_back(store.Position());
    WorkPicture picture = store.ReadNextFrame();
    if (!picture) continue;  // an unreadable frame is dropped
    // Frames past the end of the marks have no mark: kept.
    const bool keep = static_cast<size_t>(i) >= marks.size() || marks[static_cast<size_t>(i)] == 0;
    if (keep && !write_failed) {
      kept_offsets.push_back(write_at);
      try {
        WriteBmpImage(*picture, out);
        write_at += static_cast<int64_t>(BmpImageSize(*picture));
      } catch (const Kt58Error&) {
        write_failed = true;
      }
    }
    progress.Report(kReprocessing, i + 1, steps);
  }

  if (!write_failed) {
    out.seekp(0);
    PutInt32(out, static_cast<int32_t>(kept_offsets.size()));
    out.close();
    write_failed = out.fail();
  }
  if (write_failed) {
    out.close();
    if (!temp.empty()) RemoveOwnedFile(temp);
    store.FrameOffsets = std::move(old_offsets);
    store.OpenForRead();
    store.ReadHeader();
    throw Kt58Error(create_error.empty() ? "Cannot write the re-processed frames to " + temp.string() : create_error);
  }
  try {
    store.ReplaceContents(temp, std::move(kept_offsets));
  } catch (const Kt58Error&) {
    RemoveOwnedFile(temp);
    store.FrameOffsets = std::move(old_offsets);
    store.ReadHeader();
    throw;
  }
}

}  // namespace kt58
