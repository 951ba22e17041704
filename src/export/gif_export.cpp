#include "export/gif_export.h"

#include <unistd.h>

#include <array>
#include <system_error>
#include <utility>

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

constexpr std::array<NamedCode, 7> kPaletteNames{{{"optimized", rmQuantize},
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
  image->SetCompression(gcRLE);

  PlayingReset reset(animation);
  animation.Playing = false;
  animation.CurrentFrameIndex = 0;
  const int count = static_cast<int>(animation.Frames.size());
  // Events run during composition may clear the frames: re-check the bound.
  for (int i = 0; i < count && static_cast<size_t>(i) < animation.Frames.size(); ++i) {
    WorkPicture picture = animation.RenderFrame(animation.Frames[static_cast<size_t>(i)].get());
    animation.Playing = true;
    ++animation.CurrentFrameIndex;
    if (!picture) continue;
    const int index = image->Add(*picture);
    TGIFSubImage& frame = image->Images(static_cast<size_t>(index));
    if (index == 0) frame.AddExtension<TGIFAppExtNSLoop>().Loops = 0;
    auto& control = frame.AddExtension<TGIFGraphicControlExtension>();
    control.Delay = delay;
    if (observer) observer(i, count, *picture);
    FreeWorkPicture(picture);
  }

  if (options.OptimizeColorMap) image->OptimizeColorMap();
  image->Optimize(options.OptimizeOptions(), options.ColorReduction, options.DitherMode, 0);
  return image;
}

void WriteGifFile(const TGIFImage& image, const fs::path& path) {
  // Encode before touching the disk: a refused image leaves no file at all.
  const std::vector<uint8_t> bytes = image.SaveToBytes();
  WriteFileAtomically(path, bytes);
}

uint64_t MeasureGifFileSize(const TGIFImage& image) {
  const std::vector<uint8_t> bytes = image.SaveToBytes();
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
    WriteAllBytes(fd, bytes.data(), bytes.size(), file);
  } catch (const EFileWrite&) {
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
