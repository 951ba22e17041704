// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/bitmap_sequence.h"

#include <algorithm>
#include <optional>
#include <set>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "engine/free_space.h"
#include "engine/png_picture.h"
#include "export/memory_plan.h"
#include "export/ordered_frames.h"
#include "platform/atomic_file.h"
#include "platform/memory_budget.h"
#include "platform/png_writer.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace fs = std::filesystem;

std::string SequenceFileName(const std::string& pattern, int start, int index, std::string_view extension) {
  std::string name = pattern;
  const size_t first = name.find('#');
  if (first != std::string::npos) {
    size_t end = first;
    while (end < name.size() && name[end] == '#') ++end;
    const int width = static_cast<int>(end - first);
    // start + index stays well inside int: start is at most 100000 and the
    // frame count an int32 the model bounds.
    const long long n = static_cast<long long>(start) + index;
    std::string digits = std::to_string(n);
    if (n >= 0 && static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    name.replace(first, end - first, digits);
  }
  if (name.empty()) return name;
  // The extension starts at the last '.' after the last folder or drive
  // separator; '/' counts as well as '\\' because names are joined to a
  // folder on this platform.
  const size_t mark = name.find_last_of(".\\/:");
  if (mark != std::string::npos && name[mark] == '.')
    name.replace(mark, std::string::npos, extension);
  else
    name += extension;
  return name;
}

bool PatternHasNumber(const std::string& pattern) { return pattern.find('#') != std::string::npos; }

std::vector<std::string> SequenceFileNames(const std::string& pattern, int start, int count,
                                           std::string_view extension) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    std::string name = SequenceFileName(pattern, start, i, extension);
    if (name.empty()) break;  // only an empty pattern gives an empty name, for every frame
    names.push_back(std::move(name));
  }
  return names;
}

std::string SequenceFailureText(const SequenceResult& result) {
  if (result.failed == 0) return {};
  return std::to_string(result.failed) + " of " + std::to_string(result.names.size()) +
         " frames could not be written, the first " + result.error;
}

const char* SequenceStatusText(SequenceStatus status) {
  switch (status) {
    case SequenceStatus::Waiting: return "Waiting...";
    case SequenceStatus::Processing: return "Processing...";
    case SequenceStatus::Saved: return "Saved.";
    case SequenceStatus::Error: return "Error.";
  }
  return "";
}

SequenceResult ExportBitmapSequence(const Project& project, const FrameSequence& sequence, const fs::path& folder,
                                    const std::string& pattern, int start, const SequenceStatusCallback& on_status,
                                    const SequenceFiles& files) {
  if (files.transparent && files.format != SequenceFormat::Png)
    throw Kt58Error("A BMP sequence has no transparency");
  std::vector<int> frames = files.frames.Indices(project.FrameCount);
  SequenceResult result;
  result.names = SequenceFileNames(pattern, start, static_cast<int>(frames.size()), files.extension);
  frames.resize(result.names.size());
  result.statuses.assign(result.names.size(), SequenceStatus::Waiting);
  uint64_t planned = 0;
  {
    // Every frame is composed at the frame size; a name given twice (a
    // pattern without '#') is one file written again.
    const FrameSize size = project.GetFrameSize();
    const auto [width, height] = files.size.For(std::max(size.Width, 0), std::max(size.Height, 0));
    const uint64_t file_bytes =
        files.format == SequenceFormat::Png
            ? PngBytesBound(width, height, files.transparent ? PngPixelOrder::Bgra : PngPixelOrder::Rgb)
            : kBmpHeadersSize + Picture::RowBytesFor(width) * static_cast<uint64_t>(height);
    planned = CheckFrameAtATime(files.format == SequenceFormat::Png ? "PNG" : "BMP", project, files.size,
                                MemoryBudget());
    const std::set<std::string> names(result.names.begin(), result.names.end());
    CheckFreeSpace(folder, names.size() * file_bytes, folder);
  }
  auto report = [&](int i, SequenceStatus status) {
    result.statuses[static_cast<size_t>(i)] = status;
    if (on_status) on_status(i, result.names[static_cast<size_t>(i)], status);
  };
  // Every file goes into the staging folder first and all move into place
  // together, so an interrupted or failed run leaves the folder as it was.
  AtomicFileSet staged(folder);
  // The frames are composed on every core into a few reused pictures and
  // written here in order. The sequence may hold fewer frames than
  // FrameCount (none without layers): such a file can't be made.
  OrderedFrames composed(project, sequence, std::move(frames), &FrameClock::Stepping, files.size,
                         PlanComposedFrames(project, files.size, planned, MemoryBudget()));
  const std::optional<BGR> key = files.transparent ? std::optional<BGR>(BackgroundBgr(project)) : std::nullopt;
  int written = 0;
  for (int i = 0; i < static_cast<int>(result.names.size()); ++i) {
    report(i, SequenceStatus::Processing);
    bool saved = false;
    const fs::path file = folder / result.names[static_cast<size_t>(i)];
    try {
      if (const Picture* picture = composed.Next()) {
        const fs::path& temp = staged.Stage(file);
        if (files.format == SequenceFormat::Png)
          SavePngFile(*picture, temp, key);
        else
          SaveBmpFile(*picture, temp);
        saved = true;
      } else if (result.error.empty()) {
        result.error = file.string() + ": the frame has no picture";
      }
    } catch (const std::exception& e) {
      if (result.error.empty()) result.error = file.string() + ": " + e.what();
    }
    if (saved)
      ++written;
    else
      ++result.failed;
    report(i, saved ? SequenceStatus::Saved : SequenceStatus::Error);
  }
  if (result.failed == 0) {
    staged.Commit();
    result.saved = written;
    return result;
  }
  // Nothing moved: the frames written are not in the folder either.
  for (int i = 0; i < static_cast<int>(result.names.size()); ++i)
    if (result.statuses[static_cast<size_t>(i)] == SequenceStatus::Saved) report(i, SequenceStatus::Error);
  return result;
}

}  // namespace kt58
