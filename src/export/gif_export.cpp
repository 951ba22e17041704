#include "export/gif_export.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <future>
#include <system_error>
#include <utility>

#include "engine/blit_stream.h"
#include "export/gif/dither.h"
#include "export/gif/gif_exception.h"
#include "export/gif/gif_workers.h"
#include "export/gif/global_palette.h"
#include "model/image_ref.h"
#include "platform/atomic_file.h"
#include "platform/owned_files.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"

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

// Playing goes back to false on every way out of the pass.
class PlayingReset {
 public:
  explicit PlayingReset(TAnimation& a) : a_(a) {}
  ~PlayingReset() { a_.Playing = false; }
  PlayingReset(const PlayingReset&) = delete;
  PlayingReset& operator=(const PlayingReset&) = delete;

 private:
  TAnimation& a_;
};

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

using SharedPicture = std::shared_ptr<const TPicture>;

// A frame's source and indices, kept for the next frame's pixel-stable
// diffusion.
struct MappedFrame {
  SharedPicture source;
  std::vector<uint8_t> indices;
};

struct BuiltFrame {
  SharedPicture picture;                 // for the observer; null: frame left out
  std::unique_ptr<TGIFSubImage> frame;   // packed
};

// Renders frame i the way the pass does: composition, then Playing true and
// the next CurrentFrameIndex (video layers read both).
SharedPicture RenderNext(TAnimation& animation, int i) {
  WorkPicture picture = animation.RenderFrame(animation.Frames[static_cast<size_t>(i)].get());
  animation.Playing = true;
  ++animation.CurrentFrameIndex;
  return SharedPicture(std::move(picture));
}

// Where each frame store of the animation stands for reading. Composition
// while playing reads the next stored frame, so the second rendering pass
// of the whole-animation palette must find every store as the first found
// it, or it would show other frames than a single pass does.
class StoreReadStates {
 public:
  explicit StoreReadStates(const TAnimation& animation) {
    if (!animation.References) return;
    for (int i = 0; i < animation.References->Count(); ++i) {
      Tkt58_BlitStream* store = animation.References->Item(i)->Store();
      if (store != nullptr && store->IsOpen()) states_.push_back({store, store->Position(), store->ReadCursor});
    }
  }

  // Reading a frame by index leaves the file at the next frame; the header
  // read leaves it at the first.
  void Restore() const {
    for (const State& s : states_) {
      Tkt58_BlitStream& store = *s.store;
      if (!store.IsOpen()) continue;
      const auto& offsets = store.FrameOffsets;
      const auto after = std::upper_bound(offsets.begin(), offsets.end(), s.position - 1);
      if (after == offsets.begin()) {
        store.ReadHeader();
      } else {
        store.ReadCursor = 0;
        store.ReadFrame(static_cast<int>(after - offsets.begin()) - 1);
      }
      store.ReadCursor = s.cursor;
    }
  }

 private:
  struct State {
    Tkt58_BlitStream* store;
    int64_t position;
    int32_t cursor;
  };
  std::vector<State> states_;
};

// The first pass of the whole-animation palette: every frame is rendered
// and its colours counted. With merging asked for, one entry of the table is
// kept free for transparency, a copy of entry 0 that the exact look-up never
// picks, so that no frame has to grow the shared table.
GifPalette SharedPaletteOf(TAnimation& animation, const GifExportOptions& options, int count) {
  const int size = 1 << options.ReductionBits;
  const bool reserve = options.Merge && size > 8;
  TGlobalPaletteBuilder builder(reserve ? size - 1 : size);
  const StoreReadStates stores(animation);
  animation.Playing = false;
  animation.CurrentFrameIndex = 0;
  // Rendering stays on this thread; the histograms are counted on the
  // workers and added in frame order.
  RunInOrder<ColorHistogram>(
      static_cast<size_t>(count), 2 * static_cast<size_t>(GifThreadCount()) + 1,
      [&](size_t i) -> std::function<ColorHistogram()> {
        SharedPicture picture;
        if (i < animation.Frames.size()) picture = RenderNext(animation, static_cast<int>(i));
        if (!picture) return [] { return ColorHistogram{}; };
        return [picture] { return ColorHistogramOf(*picture); };
      },
      [&](size_t, ColorHistogram&& histogram) { builder.AddHistogram(histogram); });
  stores.Restore();
  animation.Playing = false;
  animation.CurrentFrameIndex = 0;
  GifPalette palette = builder.Palette();
  if (palette.empty()) palette.push_back(GifColor{0, 0, 0});
  if (reserve && palette.size() < 256) palette.push_back(palette.front());
  return palette;
}

// The frame for a reduced picture, packed: a frame of the shared palette
// has no table of its own.
std::unique_ptr<TGIFSubImage> PackedFrame(IndexedPicture reduced, bool shared, int compression) {
  auto frame = std::make_unique<TGIFSubImage>(reduced.width, reduced.height);
  frame->Data() = std::move(reduced.indices);
  const size_t table = reduced.palette.size();
  if (!shared) frame->ColorMap() = std::move(reduced.palette);
  frame->Pack(compression, MinCodeSizeFor(table));
  return frame;
}

}  // namespace

std::unique_ptr<TGIFImage> BuildAnimatedGif(TAnimation& animation, const GifExportOptions& options,
                                            const GifFrameObserver& observer) {
  if (options.FrameDelayMs < 0 || options.FrameDelayMs > kMaxFrameDelayMs)
    throw Kt58Error(Format("Frame delay %d ms is outside 0 to %d", options.FrameDelayMs, kMaxFrameDelayMs));
  const auto delay = static_cast<uint16_t>(options.FrameDelayMs / 10);

  // The defaults first, then the image: a new image copies them, and the
  // single frame export later relies on the dither code left here.
  GIFCodecDefaults::SetColorReduction(options.ColorReduction);
  GIFCodecDefaults::SetReductionBits(options.ReductionBits);
  GIFCodecDefaults::SetDitherMode(options.DitherMode);
  auto image = std::make_unique<TGIFImage>();
  image->SetCompression(options.Compression);
  image->SetPackFrames(true);
  const int reduction = image->ColorReduction(), bits = image->ReductionBits(), dither = image->DitherMode();
  DitherKernelFor(dither);  // an unknown code fails before any rendering

  PlayingReset reset(animation);
  const int count = static_cast<int>(animation.Frames.size());
  const bool shared = reduction == rmGlobal;
  if (shared) image->GlobalColorMap() = SharedPaletteOf(animation, options, count);
  const GifPalette& palette = image->GlobalColorMap();
  const int compression = image->Compression();
  // Only diffusion onto the shared palette makes a frame depend on the one
  // before; every other frame is reduced on its own.
  const bool chained = shared && DitherKernelFor(dither) != nullptr;
  std::shared_future<std::shared_ptr<const MappedFrame>> previous;

  animation.Playing = false;
  animation.CurrentFrameIndex = 0;
  // Events run during composition may clear the frames: re-check the bound.
  const size_t window = 2 * static_cast<size_t>(GifThreadCount()) + 1;
  const auto produce = [&](size_t i) -> std::function<BuiltFrame()> {
    SharedPicture picture;
    if (i < animation.Frames.size()) picture = RenderNext(animation, static_cast<int>(i));
    if (!picture) return [] { return BuiltFrame{}; };
    if (!chained) {
      return [=, &palette] {
        IndexedPicture reduced = shared ? MapToSharedPalette(*picture, palette, dither)
                                        : ReduceColors(*picture, reduction, bits, dither);
        return BuiltFrame{picture, PackedFrame(std::move(reduced), shared, compression)};
      };
    }
    auto mapped = std::make_shared<std::promise<std::shared_ptr<const MappedFrame>>>();
    std::shared_future<std::shared_ptr<const MappedFrame>> before = previous;
    previous = mapped->get_future().share();
    return [=, &palette] {
      // Jobs start in frame order, so the frame before is running or done.
      try {
        const std::shared_ptr<const MappedFrame> last = before.valid() ? before.get() : nullptr;
        PreviousFrame reference;
        if (last) reference = {last->source.get(), last->indices.data()};
        IndexedPicture reduced = MapToSharedPalette(*picture, palette, dither, reference);
        // The next frame may start as soon as this one's indices are known.
        mapped->set_value(std::make_shared<const MappedFrame>(MappedFrame{picture, reduced.indices}));
        return BuiltFrame{picture, PackedFrame(std::move(reduced), true, compression)};
      } catch (...) {
        mapped->set_exception(std::current_exception());
        throw;
      }
    };
  };
  const auto consume = [&](size_t i, BuiltFrame&& built) {
    if (!built.frame) return;
    const int index = image->Add(std::move(built.frame));
    TGIFSubImage& frame = image->Images(static_cast<size_t>(index));
    if (index == 0) frame.AddExtension<TGIFAppExtNSLoop>().Loops = 0;
    auto& control = frame.AddExtension<TGIFGraphicControlExtension>();
    control.Delay = delay;
    if (observer) observer(static_cast<int>(i), count, *built.picture);
  };
  RunInOrder<BuiltFrame>(static_cast<size_t>(count), window, produce, consume);

  if (options.OptimizeColorMap) image->OptimizeColorMap();
  image->Optimize(options.OptimizeOptions(), options.ColorReduction, options.DitherMode, 0);
  return image;
}

void WriteGifFile(const TGIFImage& image, const fs::path& path) {
  // A refused image fails before anything is written; a later failure
  // removes the temporary file, so the target is never touched.
  if (image.Empty()) throw GIFException("Unsupported GIF version");
  WriteFileAtomically(path, [&](std::ostream& out) { image.SaveToStream(out); });
}

uint64_t MeasureGifFileSize(const TGIFImage& image) {
  const fs::path folder = ProgramFolder() / "Output";
  std::error_code ec;
  fs::create_directories(folder, ec);
  // A name of this process's own: another process measuring at the same
  // time, or a file the user saved as Output.gif, is never touched.
  int fd = -1;
  fs::path file;
  try {
    file = CreateFreeOwnedFile(folder, "Output", ".gif", &fd);
  } catch (const EFileCreate& e) {
    throw EFileWrite(e.what());
  }
  try {
    // Part by part, so the whole file is never held in memory.
    image.Save([&](const std::vector<uint8_t>& part) { WriteAllBytes(fd, part.data(), part.size(), file); });
  } catch (...) {
    ::close(fd);
    RemoveOwnedFile(file);
    throw;
  }
  ::close(fd);
  const uintmax_t size = fs::file_size(file, ec);
  const uint64_t result = ec ? 0 : static_cast<uint64_t>(size);
  RemoveOwnedFile(file);
  return result;
}

std::string GifFileSizeText(uint64_t size) {
  return "File Size : " + std::to_string(size) + " Bytes";
}

void ExportAnimatedGif(TAnimation& animation, const GifExportOptions& options, const fs::path& path,
                       const GifFrameObserver& observer) {
  std::unique_ptr<TGIFImage> image = BuildAnimatedGif(animation, options, observer);
  WriteGifFile(*image, path);
}

}  // namespace kt58
