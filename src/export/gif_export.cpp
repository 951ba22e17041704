// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <future>
#include <numeric>
#include <system_error>
#include <utility>

#include "engine/alpha_key.h"
#include "export/gif/color_lookup.h"
#include "export/gif/dither.h"
#include "export/gif/gif_exception.h"
#include "export/gif/gif_frame_optimizer.h"
#include "export/gif/gif_frame_spool.h"
#include "export/gif/gif_stream_writer.h"
#include "export/gif/gif_workers.h"
#include "export/gif/global_palette.h"
#include "export/gif/lzw_decoder.h"
#include "export/memory_plan.h"
#include "export/ordered_frames.h"
#include "platform/atomic_file.h"
#include "platform/memory_budget.h"
#include "platform/owned_files.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"
#include "platform/worker_threads.h"
#include "render/compose.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

// The largest delay a graphic control extension holds: 65535 hundredths.
constexpr int kMaxFrameDelayMs = 65535 * 10 + 9;

struct NamedCode {
  const char* name;
  int code;
};

constexpr std::array<NamedCode, 8> kPaletteNames{{{"global", rmGlobal},
                                                  {"optimized", rmQuantize},
                                                  {"optimized-windows", rmQuantizeWindows},
                                                  {"web", rmNetscape},
                                                  {"mono", rmMonochrome},
                                                  {"gray", rmGrayScale},
                                                  {"windows-gray", rmWindowsGray},
                                                  {"windows", rmWindows20}}};

constexpr std::array<NamedCode, 5> kDitherNames{{{"nearest", dmNearest},
                                                 {"floyd-steinberg", dmFloydSteinberg},
                                                 {"stucki", dmStucki},
                                                 {"sierra", dmSierra},
                                                 {"burkes", dmBurkes}}};

template <size_t N>
std::optional<int> Lookup(const std::array<NamedCode, N>& table, std::string_view name) {
  for (const NamedCode& entry : table)
    if (SameTextIgnoringCase(std::string(name), entry.name)) return entry.code;
  return std::nullopt;
}

}  // namespace

int GifExportOptions::OptimizeOptions() const {
  int set = 0;
  if (Merge) set |= ooMerge;
  if (Crop) set |= ooCrop;
  if (RemovePassive) set |= ooCleanup;
  if (SortColors) set |= ooColorMap;
  return set;
}

std::optional<int> GifPaletteCodeFromName(std::string_view name) { return Lookup(kPaletteNames, name); }
std::optional<int> GifDitherCodeFromName(std::string_view name) { return Lookup(kDitherNames, name); }

namespace {

using SharedPicture = std::shared_ptr<const Picture>;

// Frame k of the animation is composed as the animation plays from its
// first frame (frame 0 shown by stepping, then played on), whichever frames
// are exported; at the size asked for, before any colour is counted or
// reduced.
FrameClock PlayedFromStart(int k) { return FrameClock::Playing(0, k); }

// The next frame from the composers, kept for as long as the frame's jobs
// and the writer need it.
SharedPicture TakeFrame(OrderedFrames& composed) {
  Picture* picture = composed.Next();
  if (!picture) return nullptr;
  return std::make_shared<const Picture>(std::move(*picture));
}

// The frames a pass holds: composed ahead of it, and between composing and
// writing.
struct PassFrames {
  size_t composed = 1;
  size_t in_flight = 1;
};

// The first pass of the whole-animation palette: every frame is rendered
// and its colours counted. With merging asked for, or a transparent
// background, one entry of the table is kept free for transparency, always
// the last, so that no frame has to grow the shared table: for merging a
// copy of entry 0, which the exact look-up never picks; for the background
// its colour, left out of the look-up's search (a pixel of a diffused frame
// that keeps the transparent index of the frame before then spreads no
// error). The background colour is not counted unless the frames are
// diffused: then it keeps its own entry too, so that the background's
// pixels newly looked up spread no error into the opaque pixels around them.
GifPalette SharedPaletteOf(const Project& project, const FrameSequence& sequence, const GifExportOptions& options,
                           const std::vector<int>& frames, PassFrames held) {
  const int size = 1 << options.ReductionBits;
  const bool reserve = (options.Merge && size > 8) || options.Transparent;
  const BGR key = BackgroundBgr(project);
  const GifColor key_colour{key.r, key.g, key.b};
  GlobalPaletteBuilder builder(reserve ? size - 1 : size);
  // The frames are composed and their histograms counted on the workers;
  // the histograms are added in frame order.
  OrderedFrames composed(project, sequence, frames, &PlayedFromStart, options.Size, held.composed);
  RunInOrder<ColorHistogram>(
      frames.size(), held.in_flight,
      [&](size_t) -> std::function<ColorHistogram()> {
        SharedPicture picture = TakeFrame(composed);
        if (!picture) return [] { return ColorHistogram{}; };
        return [picture, keyed = options.Transparent && options.DitherMode == dmNearest, key_colour] {
          ColorHistogram histogram = ColorHistogramOf(*picture);
          if (keyed)
            std::erase_if(histogram, [&](const ColorCount& c) { return c.color == key_colour; });
          return histogram;
        };
      },
      [&](size_t, ColorHistogram&& histogram) { builder.AddHistogram(histogram); });
  GifPalette palette = builder.Palette();
  if (palette.empty()) palette.push_back(GifColor{0, 0, 0});
  if (reserve && palette.size() < 256) palette.push_back(options.Transparent ? key_colour : palette.front());
  return palette;
}

// A frame as mapped (and sorted), before merging: what the next frame is
// compared with, and the source and indices the next frame's diffusion keeps.
struct ShownFrame {
  SharedPicture source;
  GifFrame frame;  // expanded
};
using SharedShown = std::shared_ptr<const ShownFrame>;
using ShownFuture = std::shared_future<SharedShown>;

// What one frame's job gives the thread that writes.
struct FrameResult {
  SharedPicture picture;              // for the observer
  std::optional<GifFrame> frame;  // packed, merged when that is smaller; none: frame left out
  SharedShown shown;                  // before merging, when merging
  bool needs_global_entry = false;
  size_t original_size = 0;           // the frame's bytes without optimisation, when compared
  std::array<uint64_t, 256> counts{}; // pixels per index, for the spool
};

// The indices a job maps a frame to; a frame of the table shared by every
// frame has no palette of its own.
struct MappedIndices {
  std::vector<uint8_t> indices;
  GifPalette palette;
  int width = 0, height = 0;
  SharedPicture source;  // the rendered picture, when there is one
  int transparent = -1;  // the index of the background's pixels; -1: none
  uint8_t disposal = dmNoDisposal;
};
using MapJob = std::function<MappedIndices(const ShownFrame* before)>;

// How the frames of one pass are written.
struct WritePlan {
  int compression = gcLZW;
  int lossy = 0;                    // every frame written at this level (merges are measured exact)
  int options = 0;                  // ooMerge, ooCrop, ooCleanup, ooColorMap bits
  uint16_t delay = 0;
  int plays = 0;                    // GifExportOptions::Plays
  GifPalette global;                // the table frames without their own refer to
  GifPalette unsorted;              // the same before the sort option's order
  const std::array<uint8_t, 256>* global_remap = nullptr;  // the sorted global table's order
  bool chained = false;             // mapping a frame needs the one before
  bool measure_original = false;    // the unoptimised size is wanted
  bool count_indices = false;       // pixels per index are wanted (the spool's)
  size_t in_flight = 1;             // frames between composing and writing at once
  bool merging() const { return (options & ooMerge) != 0; }
};

// Sorts a frame's own table by use (the sort option on frames with tables
// of their own); the transparent index follows its entry.
void SortLocalTable(GifFrame& f) {
  std::array<uint64_t, 256> counts{};
  for (uint8_t v : f.Data()) ++counts[v];
  std::array<uint8_t, 256> remap{};
  f.ColorMap() = SortedByUse(f.ColorMap(), counts, {}, remap);
  for (uint8_t& v : f.Data()) v = remap[v];
  if (f.Transparent()) f.GraphicControlExtension()->TransparentColorIndex = remap[f.TransparentIndex()];
}

// Runs the frames through the workers in order: each job maps its frame,
// sorts it, packs it and merges it with the frame before; `take` gets the
// results in frame order on this thread. `next` produces the job of frame
// i on this thread (null: the frame is left out).
void RunFrames(size_t count, const WritePlan& plan, const std::function<MapJob(size_t)>& next,
               const std::function<void(size_t, FrameResult&&)>& take) {
  const bool linked = plan.chained || plan.merging();
  ShownFuture previous;
  bool first = true;
  const auto produce = [&](size_t i) -> std::function<FrameResult()> {
    MapJob map = next(i);
    if (!map) return [] { return FrameResult{}; };
    const bool is_first = std::exchange(first, false);
    std::shared_ptr<std::promise<SharedShown>> mine;
    ShownFuture before = previous;
    if (linked) {
      mine = std::make_shared<std::promise<SharedShown>>();
      previous = mine->get_future().share();
    }
    return [&plan, map = std::move(map), mine, before, is_first] {
      // Jobs start in frame order, so the frame before is running or done.
      FrameResult result;
      try {
        const SharedShown last = before.valid() ? before.get() : nullptr;
        MappedIndices mapped = map(plan.chained ? last.get() : nullptr);
        result.picture = mapped.source;
        GifFrame f(mapped.width, mapped.height);
        f.Data() = std::move(mapped.indices);
        f.ColorMap() = std::move(mapped.palette);
        if (plan.count_indices)
          for (uint8_t v : f.Data()) ++result.counts[v];
        if (is_first && plan.plays != 1)
          f.AddExtension<GifLoopExtension>().Loops = static_cast<uint16_t>(plan.plays == 0 ? 0 : plan.plays - 1);
        auto& control = f.AddExtension<GifGraphicControlExtension>();
        control.Delay = plan.delay;
        control.Disposal = mapped.disposal;
        if (mapped.transparent >= 0) {
          control.Transparent = true;
          control.TransparentColorIndex = static_cast<uint8_t>(mapped.transparent);
        }
        const bool local = !f.ColorMap().empty();
        if (plan.measure_original) {
          GifFrame original(f);
          const GifPalette& map_before = local ? original.ColorMap() : plan.unsorted;
          original.Pack(plan.compression, MinCodeSizeFor(map_before.size()));
          result.original_size = GifFrameFileSize(original, map_before, plan.compression, plan.lossy);
        }
        if (plan.options & ooColorMap) {
          if (!local && plan.global_remap) {
            for (uint8_t& v : f.Data()) v = (*plan.global_remap)[v];
            if (f.Transparent()) control.TransparentColorIndex = (*plan.global_remap)[f.TransparentIndex()];
          }
          if (f.ColorMap().size() > 1) SortLocalTable(f);
        }
        if (mine) {
          result.shown = std::make_shared<const ShownFrame>(ShownFrame{result.picture, f});
          mine->set_value(result.shown);
        }
        const GifPalette& map_now = local ? f.ColorMap() : plan.global;
        f.Pack(plan.compression, MinCodeSizeFor(map_now.size()));
        // A frame disposed to background leaves nothing for the next to
        // show through.
        if (plan.merging() && last && DisposalOf(last->frame) != dmBackground) {
          // The expanded copy to compare, the packed frame for its size.
          GifMergeResult merged = MergeWithShown(
              last->frame, last->frame.ColorMap().empty() ? plan.global : last->frame.ColorMap(), result.shown->frame,
              map_now, GifFrameFileSize(f, map_now, plan.compression), (plan.options & ooCrop) != 0,
              plan.compression, plan.lossy, false);
          result.needs_global_entry = merged.needs_global_entry;
          if (merged.frame) f = std::move(*merged.frame);
        }
        result.frame = std::move(f);
      } catch (...) {
        if (mine) mine->set_exception(std::current_exception());
        throw;
      }
      return result;
    };
  };
  RunInOrder<FrameResult>(count, plan.in_flight, produce, take);
}

// Hands the frames of one pass to the writer in order: the merge a frame
// could only make with a new global entry is made here, in frame order,
// since that entry changes the table for the frames after it.
class WritingStage {
 public:
  WritingStage(const WritePlan& plan, GifStreamWriter& writer) : plan_(plan), writer_(writer) {}

  void Take(FrameResult& r) {
    if (r.needs_global_entry) {
      GifMergeResult merged =
          MergeWithShown(shown_->frame, plan_.global, r.shown->frame, writer_.GlobalColorMap(),
                         GifFrameFileSize(*r.frame, writer_.GlobalColorMap(), plan_.compression),
                         (plan_.options & ooCrop) != 0, plan_.compression, plan_.lossy, true);
      if (merged.frame) r.frame = std::move(*merged.frame);
      if (merged.grows_global) writer_.GlobalColorMap().push_back(GifColor{0, 0, 0});
    }
    shown_ = r.shown;
    original_size_ += r.original_size;
    writer_.Add(std::move(*r.frame), r.picture);
  }

  uint64_t OriginalSize() const { return original_size_; }

 private:
  const WritePlan& plan_;
  GifStreamWriter& writer_;
  SharedShown shown_;
  uint64_t original_size_ = 0;
};

// The file being written: its bytes go to the temporary's descriptor as
// they come; failures name the file the user asked for.
class FileSink {
 public:
  explicit FileSink(const AtomicFile& file) : path_(file.Target()) {
    fd_ = ::open(file.TempPath().c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0)
      throw PlatformError(PlatformErrorCode::FileWrite, "Cannot write " + path_.string() + ": " + std::strerror(errno));
  }
  ~FileSink() { ::close(fd_); }
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  void Write(const std::vector<uint8_t>& bytes) { WriteAllBytes(fd_, bytes.data(), bytes.size(), path_); }
  // Back to an empty file, to write it again.
  void Restart() {
    if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
      throw PlatformError(PlatformErrorCode::FileWrite, "Cannot write " + path_.string() + ": " + std::strerror(errno));
  }

 private:
  fs::path path_;
  int fd_ = -1;
};

// An entry of a frame's own table for its transparent pixels: the last
// entry no other pixel uses, else a new one while the table has room, else
// the least used entry, whose pixels move to the nearest other colour.
// `keyed` marks the pixels that become transparent.
int FreeEntry(IndexedPicture& reduced, const std::vector<bool>& keyed) {
  std::array<uint64_t, 256> uses{};
  for (size_t k = 0; k < keyed.size(); ++k)
    if (!keyed[k]) ++uses[reduced.indices[k]];
  const int size = static_cast<int>(reduced.palette.size());
  for (int i = size - 1; i >= 0; --i)
    if (uses[static_cast<size_t>(i)] == 0) return i;
  if (size < 256) {
    reduced.palette.push_back(GifColor{0, 0, 0});
    return size;
  }
  const int least = static_cast<int>(std::min_element(uses.begin(), uses.end()) - uses.begin());
  const GifColor& c = reduced.palette[static_cast<size_t>(least)];
  int nearest = least == 0 ? 1 : 0;
  int best = INT32_MAX;
  for (int i = 0; i < size; ++i) {
    const GifColor& o = reduced.palette[static_cast<size_t>(i)];
    const int dr = o.r - c.r, dg = o.g - c.g, db = o.b - c.b;
    if (i != least && dr * dr + dg * dg + db * db < best) {
      best = dr * dr + dg * dg + db * db;
      nearest = i;
    }
  }
  for (size_t k = 0; k < keyed.size(); ++k)
    if (!keyed[k] && reduced.indices[k] == least) reduced.indices[k] = static_cast<uint8_t>(nearest);
  return least;
}

// Gives the pixels of the key colour (the source's, so a diffused
// neighbour never turns transparent) the shared table's transparent entry,
// or one of the frame's own table (FreeEntry). The index, or -1 when no
// pixel is the key.
int KeyToTransparent(const Picture& source, BGR key, IndexedPicture& reduced, int shared_entry) {
  const size_t width = static_cast<size_t>(reduced.width);
  std::vector<bool> keyed(reduced.indices.size(), false);
  bool any = false;
  for (int y = 0; y < reduced.height; ++y) {
    const uint8_t* row = source.Row(y);
    for (size_t x = 0; x < width; ++x)
      if (IsKeyPixel(row + 3 * x, key)) keyed[static_cast<size_t>(y) * width + x] = any = true;
  }
  if (!any) return -1;
  const int t = shared_entry >= 0 ? shared_entry : FreeEntry(reduced, keyed);
  for (size_t k = 0; k < keyed.size(); ++k)
    if (keyed[k]) reduced.indices[k] = static_cast<uint8_t>(t);
  return t;
}

// Whether a frame must be disposed to background before `next` is drawn:
// `next` is transparent somewhere the frame is not, and would show it
// there. An unknown next frame (left out) is cleared for.
bool ClearsForNext(const Picture& frame, const Picture* next, BGR key) {
  if (!next || next->Width() != frame.Width() || next->Height() != frame.Height()) return true;
  for (int y = 0; y < frame.Height(); ++y) {
    const uint8_t *a = frame.Row(y), *b = next->Row(y);
    for (int x = 0; x < frame.Width(); ++x)
      if (IsKeyPixel(b + 3 * x, key) && !IsKeyPixel(a + 3 * x, key)) return true;
  }
  return false;
}

// The transparent background of an export: the key and the shared table's
// entry for it (-1: every frame has its own table).
struct BackgroundKey {
  BGR colour{};
  int shared_entry = -1;
};

// The colour reduction of frame i rendered on this thread: the job maps the
// picture onto the shared table (keeping the previous frame's indices where
// its source did not change, under diffusion) or reduces it on its own.
// With a key, `next` is the frame written after it (for its disposal).
MapJob ReductionJob(SharedPicture picture, const ExactNearestAnswers* shared, int reduction, int bits, int dither,
                    std::optional<BackgroundKey> key, SharedPicture next) {
  return [=](const ShownFrame* before) {
    PreviousFrame reference;
    if (before) reference = {before->source.get(), before->frame.Data().data()};
    IndexedPicture reduced = shared ? MapToSharedPalette(*picture, *shared, dither, reference)
                                    : ReduceColors(*picture, reduction, bits, dither);
    int transparent = -1;
    uint8_t disposal = dmNoDisposal;
    if (key) {
      transparent = KeyToTransparent(*picture, key->colour, reduced, key->shared_entry);
      if (ClearsForNext(*picture, next.get(), key->colour)) disposal = dmBackground;
    }
    MappedIndices out{std::move(reduced.indices), {}, reduced.width, reduced.height, picture, transparent, disposal};
    if (!shared) out.palette = std::move(reduced.palette);
    return out;
  };
}

// The build pass as the frames are written: frames rendered, reduced,
// optimised and written in one go when no option needs the whole animation
// first; otherwise built into a spool of packed frames, the tables made from
// all of them, and the spool optimised and written.
class GifBuild {
 public:
  GifBuild(const Project& project, const FrameSequence& sequence, const GifExportOptions& options,
           const GifFrameObserver& observer)
      : project_(project), sequence_(sequence), options_(options), observer_(observer) {}

  void WriteTo(const AtomicFile& file) {
    // The loop extension counts repeats in 16 bits.
    if (options_.Plays < 0 || options_.Plays > 0x10000)
      throw Kt58Error(Format("A play count of %d is outside 0 to %d", options_.Plays, 0x10000));
    if (options_.FrameDelayMs < 0 || options_.FrameDelayMs > kMaxFrameDelayMs)
      throw Kt58Error(Format("Frame delay %d ms is outside 0 to %d", options_.FrameDelayMs, kMaxFrameDelayMs));
    // The image's setters check the codes (bits outside 3..8 raise).
    GifImage settings;
    settings.SetColorReduction(options_.ColorReduction);
    settings.SetReductionBits(options_.ReductionBits);
    settings.SetDitherMode(options_.DitherMode);
    settings.SetCompression(options_.Compression);
    if (options_.Lossy < 0 || options_.Lossy > kMaxLossy)
      throw Kt58Error(Format("A lossy level of %d is outside 0 to %d", options_.Lossy, kMaxLossy));
    // Run-length codes have no dictionary to stretch.
    if (options_.Lossy > 0 && settings.Compression() != gcLZW)
      throw Kt58Error("Lossy compression needs the LZW encoder");
    reduction_ = settings.ColorReduction();
    bits_ = settings.ReductionBits();
    dither_ = settings.DitherMode();
    DitherKernelFor(dither_);  // an unknown code fails before any rendering

    frames_ = options_.Frames.Indices(sequence_.Count());
    count_ = static_cast<int>(frames_.size());
    // Two frames a worker composed ahead, and two a worker and one between
    // composing and writing, as far as the memory budget allows.
    const int threads = static_cast<int>(WorkerThreads());
    const size_t total =
        static_cast<size_t>(PlanGifFramesInFlight(project_, options_.Size, 4 * threads + 1, MemoryBudget()));
    PassFrames held;
    held.composed = std::clamp<size_t>(total / 2, 1, 2 * static_cast<size_t>(threads));
    held.in_flight = std::max<size_t>(1, total - held.composed);
    shared_ = reduction_ == rmGlobal;
    if (shared_) {
      palette_ = SharedPaletteOf(project_, sequence_, options_, frames_, held);
      // The background's entry is only ever given by keying.
      answers_ = std::make_unique<const ExactNearestAnswers>(
          palette_, options_.Transparent ? palette_.size() - 1 : palette_.size());
    }
    if (options_.Transparent)
      key_ = BackgroundKey{BackgroundBgr(project_), shared_ ? static_cast<int>(palette_.size()) - 1 : -1};
    WritePlan plan;
    plan.compression = settings.Compression();
    plan.lossy = options_.Lossy;
    plan.options = options_.OptimizeOptions();
    plan.delay = static_cast<uint16_t>(options_.FrameDelayMs / 10);
    plan.plays = options_.Plays;
    plan.in_flight = held.in_flight;
    plan.global = palette_;
    plan.unsorted = palette_;
    // Only diffusion onto the shared palette makes a frame depend on the
    // one before; every other frame is reduced on its own.
    plan.chained = shared_ && DitherKernelFor(dither_) != nullptr;
    FileSink sink(file);
    composed_.emplace(project_, sequence_, frames_, &PlayedFromStart, options_.Size, held.composed);
    if (!options_.OptimizeColorMap && !options_.SortColors) {
      WriteDirectly(plan, sink);
    } else {
      WriteThroughSpool(plan, sink);
    }
  }

 private:
  // The job of the i-th exported frame, taken from the composers. With a
  // transparent background the frame after it decides its disposal, so
  // frames are taken one ahead (the last frame is followed by the first, as
  // the animation loops); i counts up from 0 once per build.
  MapJob RenderJob(size_t i) {
    SharedPicture picture, next;
    if (!key_) {
      picture = TakeFrame(*composed_);
    } else {
      picture = i == 0 ? TakeFrame(*composed_) : std::move(ahead_);
      if (i == 0) first_ = picture;
      ahead_ = i + 1 < frames_.size() ? TakeFrame(*composed_) : nullptr;
      next = i + 1 < frames_.size() ? ahead_ : first_;
    }
    if (!picture) return nullptr;
    return ReductionJob(std::move(picture), answers_.get(), reduction_, bits_, dither_, key_, std::move(next));
  }

  void Observe(size_t i, const SharedPicture& picture) {
    if (observer_) observer_(static_cast<int>(i), count_, *picture);
  }

  // Merge, crop and the removal of passive extensions never make the file
  // larger (each merge is kept only when smaller, crop and removal only take
  // bytes away), so the frames go out as they come.
  void WriteDirectly(WritePlan plan, FileSink& sink) {
    GifStreamWriter writer(plan.compression, plan.lossy, plan.options, palette_, [&](const auto& b) { sink.Write(b); });
    WritingStage stage(plan, writer);
    RunFrames(static_cast<size_t>(count_), plan, [&](size_t i) { return RenderJob(i); },
              [&](size_t i, FrameResult&& r) {
                if (!r.frame) return;
                stage.Take(r);
                Observe(i, r.picture);
              });
    writer.Finish();
  }

  void WriteThroughSpool(WritePlan plan, FileSink& sink) {
    GifFrameSpool spool(ProgramFolder() / "Output");
    // Built and packed as they come, unoptimised.
    WritePlan build = plan;
    build.options = 0;
    build.count_indices = true;
    RunFrames(static_cast<size_t>(count_), build, [&](size_t i) { return RenderJob(i); },
              [&](size_t i, FrameResult&& r) {
                if (!r.frame) return;
                SpooledFrame s{r.frame->Width(),        r.frame->Height(),          r.frame->ColorMap(),
                               r.counts,                r.frame->PackedCodeSize(), r.frame->PackedData(),
                               r.frame->TransparentIndex(), DisposalOf(*r.frame)};
                spool.Append(s);
                Observe(i, r.picture);
              });
    if (spool.Count() == 0) throw GIFException("Unsupported GIF version");

    // The single colour map pools every frame's colours; built frames are
    // transparent only with a transparent background, whose entry is then
    // added after the kept colours.
    if (options_.OptimizeColorMap) {
      GifColorCounts colours;
      bool transparent = false;
      SpooledFrame s;
      for (GifFrameSpool::Reader r(spool, false); r.Next(s);) {
        CountColors(s.map.empty() ? palette_ : s.map, s.counts, s.transparent, colours);
        transparent = transparent || s.transparent >= 0;
      }
      single_map_ = SingleColorMapOf(colours, transparent);
      plan.global = single_map_;
      single_map_transparent_ = transparent ? static_cast<int>(single_map_.size()) : -1;
      if (transparent) plan.global.push_back(GifColor{0, 0, 0});
      plan.unsorted = plan.global;
    }
    const GifPalette& unsorted = plan.unsorted;
    // A shared table sorted by use over every frame.
    std::array<uint8_t, 256> sorted_order{};
    const bool sort_global = options_.SortColors && (shared_ || options_.OptimizeColorMap) && !plan.global.empty();
    if (sort_global) {
      std::array<uint64_t, 256> counts{};
      SpooledFrame s;
      for (GifFrameSpool::Reader r(spool, false); r.Next(s);) {
        const std::array<uint8_t, 256> remap = OcmRemap(s);
        for (size_t i = 0; i < 256; ++i) counts[remap[i]] += s.counts[i];
      }
      plan.global = SortedByUse(unsorted, counts, {}, sorted_order);
      plan.global_remap = &sorted_order;
    }
    plan.chained = false;  // the spool holds the frames as diffused
    plan.measure_original = plan.options != 0;
    const uint64_t optimised = WriteSpool(spool, plan, sink);
    // The file must not grow: when the optimisations together make it
    // larger (a sort that costs the encoder more than it saves), the frames
    // are written as they were.
    if (plan.measure_original && optimised > original_size_) {
      sink.Restart();
      WritePlan plain = plan;
      plain.options = 0;
      plain.global = plan.unsorted;
      plain.global_remap = nullptr;
      plain.measure_original = false;
      WriteSpool(spool, plain, sink);
    }
  }

  // The single colour map's index for each of a spooled frame's entries;
  // the same indices without it.
  std::array<uint8_t, 256> OcmRemap(const SpooledFrame& s) const {
    if (options_.OptimizeColorMap)
      return SingleColorMapRemap(s.map.empty() ? palette_ : s.map, s.transparent, single_map_,
                                 single_map_transparent_);
    std::array<uint8_t, 256> same{};
    std::iota(same.begin(), same.end(), 0);
    return same;
  }

  // Writes the spooled frames with the plan; returns the bytes written and
  // keeps the unoptimised size in original_size_.
  uint64_t WriteSpool(const GifFrameSpool& spool, const WritePlan& plan, FileSink& sink) {
    GifStreamWriter writer(plan.compression, plan.lossy, plan.options, plan.global,
                           [&](const auto& b) { sink.Write(b); });
    WritingStage stage(plan, writer);
    GifFrameSpool::Reader reader(spool, true);
    const bool single_map = options_.OptimizeColorMap;
    RunFrames(
        spool.Count(), plan,
        [&](size_t) -> MapJob {
          auto s = std::make_shared<SpooledFrame>();
          reader.Next(*s);
          std::array<uint8_t, 256> remap = OcmRemap(*s);
          return [s, remap, single_map](const ShownFrame*) {
            const int transparent = single_map && s->transparent >= 0 ? remap[s->transparent] : s->transparent;
            MappedIndices out{DecodeLzwStream(s->packed.data(), s->packed.size(), s->code_size,
                                              static_cast<size_t>(s->width) * static_cast<size_t>(s->height)),
                              single_map ? GifPalette{} : s->map,
                              s->width,
                              s->height,
                              nullptr,
                              transparent,
                              static_cast<uint8_t>(s->disposal)};
            if (single_map)
              for (uint8_t& v : out.indices) v = remap[v];
            return out;
          };
        },
        [&](size_t, FrameResult&& r) { stage.Take(r); });
    writer.Finish();
    original_size_ = stage.OriginalSize() + HeaderSize(plan.unsorted) + 1;
    return writer.BytesWritten();
  }

  static uint64_t HeaderSize(const GifPalette& global) {
    return 13 + (global.empty() ? 0 : 3 * (uint64_t{1} << ColorTableBits(global.size())));
  }

  const Project& project_;
  const FrameSequence& sequence_;
  const GifExportOptions& options_;
  const GifFrameObserver& observer_;
  std::vector<int> frames_;  // the animation's frames written, in order
  std::optional<OrderedFrames> composed_;  // those frames, composed for the build pass
  int reduction_ = 0, bits_ = 0, dither_ = 0, count_ = 0;
  bool shared_ = false;
  GifPalette palette_;
  std::unique_ptr<const ExactNearestAnswers> answers_;  // the shared palette's look-up
  std::optional<BackgroundKey> key_;                    // with a transparent background
  SharedPicture ahead_, first_;                         // composed ahead, and the first, with a key
  GifPalette single_map_;                               // the single colour map's colours
  int single_map_transparent_ = -1;                     // and its transparent entry
  uint64_t original_size_ = 0;
};

}  // namespace

std::string GifFileSizeText(uint64_t size) {
  return "File Size : " + std::to_string(size) + " Bytes";
}

BuiltGif::BuiltGif(std::unique_ptr<AtomicFile> file) : file_(std::move(file)) {}

uint64_t BuiltGif::FileSize() const {
  std::error_code ec;
  const uintmax_t size = fs::file_size(file_->TempPath(), ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

void BuiltGif::SaveAs(const fs::path& target) const {
  AtomicFile copy(target);
  std::error_code ec;
  fs::copy_file(file_->TempPath(), copy.TempPath(), fs::copy_options::overwrite_existing, ec);
  if (ec) throw PlatformError(PlatformErrorCode::FileWrite, "Cannot write " + target.string() + ": " + ec.message());
  copy.Commit();
}

std::unique_ptr<BuiltGif> BuildAnimatedGif(const Project& project, const FrameSequence& sequence,
                                           const GifExportOptions& options, const GifFrameObserver& observer) {
  const fs::path folder = ProgramFolder() / "Output";
  std::error_code ec;
  fs::create_directories(folder, ec);
  auto file = std::make_unique<AtomicFile>(folder / "Output.gif");
  GifBuild(project, sequence, options, observer).WriteTo(*file);
  return std::make_unique<BuiltGif>(std::move(file));
}

void ExportAnimatedGif(const Project& project, const FrameSequence& sequence, const GifExportOptions& options,
                       const fs::path& path, const GifFrameObserver& observer) {
  AtomicFile file(path);
  GifBuild(project, sequence, options, observer).WriteTo(file);
  file.Commit();
}

}  // namespace kt58
