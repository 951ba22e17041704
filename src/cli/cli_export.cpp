// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_export.h"

#include <cstdio>
#include <system_error>

#include "cli/cli_project.h"
#include "cli/cli_ui.h"
#include "export/avi_export.h"
#include "export/bitmap_sequence.h"
#include "export/gif_export.h"
#include "export/single_frame.h"
#include "export/video_export.h"
#include "platform/picture_limits.h"

namespace kt58::cli {

namespace {

// The project, loaded and its frames generated, with frames to export.
LoadedProject LoadForExport(const std::filesystem::path& project, CliUi& ui) {
  LoadedProject loaded = LoadProject(project, ui);
  if (!loaded.sequence.Sequenced())
    throw CommandFailed("project " + project.string() + " has no layers: there is nothing to export");
  const FrameSize size = loaded.project->GetFrameSize();
  if (size.Width <= 0 || size.Height <= 0)
    throw CommandFailed("project " + project.string() + " has a frame size of " + std::to_string(size.Width) + " x " +
                        std::to_string(size.Height) + ": there is nothing to export");
  return loaded;
}

// Writing the output would replace the project while it is being read
// (the same file, or a link to it).
void RefuseOverwritingProject(const std::filesystem::path& project, const std::filesystem::path& out) {
  std::error_code ec;
  if (std::filesystem::equivalent(project, out, ec))
    throw CommandFailed("the output " + out.string() + " is the project being read");
}

// Checks made before the project is read: the output's folder exists, and
// the output is not the project itself.
void CheckOutput(const std::filesystem::path& project, const std::filesystem::path& out) {
  if (out == kStandardOutput) return;
  RequireOutputFolder(out);
  RefuseOverwritingProject(project, out);
}

// A finished file copied to standard output in one go, so that a reader of
// the pipe never sees half an animation.
void CopyToStandardOutput(const std::filesystem::path& file) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) throw CommandFailed("cannot read the built file " + file.string());
  char buffer[1 << 16];
  size_t n = 0;
  bool written = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
    if (std::fwrite(buffer, 1, n, stdout) != n) {
      written = false;
      break;
    }
  std::fclose(in);
  if (!written || std::fflush(stdout) != 0) throw CommandFailed("cannot write to standard output");
}

// The project read, and the part of it asked for checked against its
// frames: one line naming the option when the range runs past the end.
LoadedProject LoadForExport(const std::filesystem::path& project, const FrameRange& frames, CliUi& ui) {
  LoadedProject loaded = LoadForExport(project, ui);
  const int count = loaded.sequence.Count();
  if (!frames.FitsIn(count))
    throw CommandFailed("--frames " + frames.Text() + " is outside the frames 0.." + std::to_string(count - 1) +
                        " of " + project.string());
  return loaded;
}

// The size asked for must be a picture the program can make; a side
// following the frame's aspect is known only now.
void CheckOutputSize(const LoadedProject& loaded, const OutputSize& size) {
  const FrameSize frame = loaded.project->GetFrameSize();
  const auto [width, height] = size.For(frame.Width, frame.Height);
  if (!WithinPictureLimits(width, height))
    throw CommandFailed("the scaled size " + PictureLimitText(width, height));
}

// The shortest GIF frame delay browsers play as written.
constexpr int kShortestHonouredGifDelayMs = 20;

int BitsForColors(int colors) {
  int bits = 0;
  while ((1 << bits) < colors) ++bits;
  return bits;
}

}  // namespace

void RunExportGif(const ExportGifCommand& cmd, CliUi& ui) {
  CheckOutput(cmd.project, cmd.out);
  const LoadedProject loaded = LoadForExport(cmd.project, cmd.frames, ui);
  CheckOutputSize(loaded, cmd.size);
  GifExportOptions options;
  options.Size = cmd.size;
  options.FrameDelayMs = cmd.delay_ms;
  options.Frames = cmd.frames;
  // GIF counts delays in hundredths; browsers show anything under 2 of them
  // at a tenth of a second, so the animation would play far slower.
  if (cmd.delay_ms < kShortestHonouredGifDelayMs)
    ui.ShowMessage("a delay of " + std::to_string(cmd.delay_ms) + " ms is written as " +
                   std::to_string(cmd.delay_ms / 10) + "/100 s, which most browsers show at 100 ms; " +
                   std::to_string(kShortestHonouredGifDelayMs) + " ms or more plays as given");
  // The parser admits only names the export knows.
  options.ColorReduction = GifPaletteCodeFromName(cmd.palette).value();
  options.ReductionBits = BitsForColors(cmd.colors);
  options.DitherMode = GifDitherCodeFromName(cmd.dither).value();
  options.Compression = cmd.compression == "rle" ? gcRLE : gcLZW;
  options.Lossy = cmd.lossy;
  options.Plays = cmd.plays;
  options.Transparent = cmd.transparent;
  for (const std::string& o : cmd.optimize) {
    if (o == "single-map") options.OptimizeColorMap = true;
    if (o == "merge") options.Merge = true;
    if (o == "crop") options.Crop = true;
    if (o == "remove-passive") options.RemovePassive = true;
    if (o == "sort") options.SortColors = true;
  }
  DialogProgress progress = ui.MakeProgress();
  progress.Begin("GIF Export", false);
  const GifFrameObserver observer = [&](int index, int count, const Picture&) {
    // The build pass has no cancel of its own; leaving by an exception
    // writes no file.
    if (CliUi::Interrupted()) throw CommandFailed("interrupted");
    progress.Report("Frame " + std::to_string(index + 1) + " of " + std::to_string(count), index + 1, count);
  };
  if (cmd.out == kStandardOutput) {
    const std::unique_ptr<BuiltGif> built = BuildAnimatedGif(*loaded.project, loaded.sequence, options, observer);
    CopyToStandardOutput(built->Path());
  } else {
    ExportAnimatedGif(*loaded.project, loaded.sequence, options, cmd.out, observer);
  }
}

namespace {

// export-bmp and export-sequence: the files named and written as `files`
// says, the progress under `caption`.
void RunSequence(const ExportBmpCommand& cmd, const SequenceFiles& files, const char* caption, CliUi& ui) {
  RequireFolder(cmd.folder);
  const LoadedProject loaded = LoadForExport(cmd.project, cmd.frames, ui);
  CheckOutputSize(loaded, cmd.size);
  const int count = static_cast<int>(cmd.frames.Indices(loaded.project->FrameCount).size());
  for (const std::string& name : SequenceFileNames(cmd.pattern, cmd.start, count, files.extension))
    RefuseOverwritingProject(cmd.project, cmd.folder / name);
  DialogProgress progress = ui.MakeProgress();
  progress.Begin(caption, false);
  const SequenceResult result = ExportBitmapSequence(
      *loaded.project, loaded.sequence, cmd.folder, cmd.pattern, cmd.start,
      [&](int index, const std::string& name, SequenceStatus status) {
        progress.Report(name, status == SequenceStatus::Processing ? index : index + 1, count);
      },
      files);
  if (result.names.empty()) throw CommandFailed("the pattern \"" + cmd.pattern + "\" gives no file names");
  if (const std::string failure = SequenceFailureText(result); !failure.empty()) throw CommandFailed(failure);
}

}  // namespace

void RunExportBmp(const ExportBmpCommand& cmd, CliUi& ui) {
  RunSequence(cmd, {SequenceFormat::Bmp, kBitmapSequenceExtension, cmd.frames, cmd.size}, "Bitmap Sequencer", ui);
}

void RunExportSequence(const ExportSequenceCommand& cmd, CliUi& ui) {
  const bool png = cmd.format == SequenceFormat::Png;
  RunSequence(cmd, {cmd.format, png ? ".png" : ".bmp", cmd.frames, cmd.size, cmd.transparent},
              png ? "PNG Sequence" : "BMP Sequence", ui);
}

void RunExportFrame(const ExportFrameCommand& cmd, CliUi& ui) {
  CheckOutput(cmd.project, cmd.out);
  const LoadedProject loaded = LoadForExport(cmd.project, ui);
  CheckOutputSize(loaded, cmd.size);
  const int count = loaded.sequence.Count();
  if (cmd.frame_index >= count)
    throw CommandFailed("frame index " + std::to_string(cmd.frame_index) + " is outside the project's frames 0.." +
                        std::to_string(count - 1));
  ExportSingleFrame(*loaded.project, loaded.sequence, cmd.frame_index, cmd.out, cmd.size, cmd.transparent);
}

void RunExportAvi(const ExportAviCommand& cmd, CliUi& ui) {
  CheckOutput(cmd.project, cmd.out);
  const LoadedProject loaded = LoadForExport(cmd.project, cmd.frames, ui);
  CheckOutputSize(loaded, cmd.size);
  DialogProgress progress = ui.MakeProgress();
  if (!ExportAvi(*loaded.project, loaded.sequence, cmd.out, progress, cmd.frames, cmd.size)) throw CommandFailed("the first frame of " + cmd.project.string() + " is empty");
}

void RunExportVideo(const ExportVideoCommand& cmd, CliUi& ui) {
  CheckOutput(cmd.project, cmd.out);
  VideoExportOptions options;
  options.Format = cmd.format;
  // Checked before the project is loaded: the encoders depend on the FFmpeg
  // build, so a machine may lack one.
  if (const std::string missing = VideoEncoderMissingText(options.Format); !missing.empty())
    throw CommandFailed(missing);
  options.FrameDelayMs = cmd.delay_ms;
  options.Quality = cmd.quality;
  options.Lossless = cmd.lossless;
  options.Plays = cmd.plays;
  options.Frames = cmd.frames;
  options.Size = cmd.size;
  options.Transparent = cmd.transparent;
  const LoadedProject loaded = LoadForExport(cmd.project, cmd.frames, ui);
  CheckOutputSize(loaded, cmd.size);
  DialogProgress progress = ui.MakeProgress();
  if (cmd.out == kStandardOutput) {
    const std::unique_ptr<BuiltVideo> built = BuildVideo(*loaded.project, loaded.sequence, options, progress);
    // Only Ctrl+C cancels here; nothing built means an empty first frame.
    if (!built) {
      if (CliUi::Interrupted()) throw InterruptedError();
      throw CommandFailed("the first frame of " + cmd.project.string() + " is empty");
    }
    CopyToStandardOutput(built->Path());
    return;
  }
  switch (ExportVideo(*loaded.project, loaded.sequence, options, cmd.out, progress)) {
    case FramePassResult::Written: return;
    // Only Ctrl+C cancels here; the file was never put in place.
    case FramePassResult::Cancelled: throw InterruptedError();
    case FramePassResult::NothingToWrite:
      throw CommandFailed("the first frame of " + cmd.project.string() + " is empty");
  }
}

}  // namespace kt58::cli
