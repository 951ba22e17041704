// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_project.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "cli/cli_ui.h"
#include "model/image_resource.h"
#include "platform/atomic_file.h"

namespace kt58::cli {

namespace {

// The core's last message, appended to a failure line when there is one.
std::string WithCoreMessage(std::string line, const CliUi& ui) {
  if (!ui.Messages().empty()) line += ": " + ui.Messages().back();
  return line;
}

// "<the program's message>. <what the reader knew>."
std::string MessageAndCause(const std::string& message, const std::string& cause) {
  return message.empty() ? CliUi::Sentence(cause) : CliUi::Sentence(message) + " " + CliUi::Sentence(cause);
}

void ApplyLayerSpec(Layer& layer, const LayerSpec& s) {
  // The setters are the property pages' groups; each takes its whole group,
  // so unset options pass the layer's own values.
  layer.SetPosition(s.x.value_or(layer.OffsetX), s.y.value_or(layer.OffsetY));
  layer.SetRotation(s.start_angle ? *s.start_angle : layer.StartAngle, s.rotate ? *s.rotate : layer.DegreesToRotate,
                    layer.Clockwise && !s.counter_clockwise, layer.AntiAlias || s.anti_alias);
  layer.SetBlending(s.blend.value_or(layer.BlendType), s.transparency.value_or(layer.Transparency),
                    s.alt_transparency.value_or(layer.AltTransparency));
  layer.SetTint(layer.TintEnabled || s.tint.has_value(), s.tint.value_or(layer.TintColor));
  layer.SetFading(s.fade.value_or(layer.FadeMode), s.fade_start.value_or(layer.FadeStart),
                  s.fade_final.value_or(layer.FadeFinal));
  layer.SetOther(layer.PixelRotate || s.pixel_rotate.has_value(), s.pixel_rotate.value_or(layer.PixelRotateDirection),
                 layer.Mirror || s.mirror, layer.Flip || s.flip);
  layer.SetButtonize(layer.ButtonizeEnabled || s.bevel.has_value(), s.bevel.value_or(layer.ButtonizeAmount),
                     s.bevel_highlight.value_or(layer.ButtonizeHighlight),
                     s.bevel_shadow.value_or(layer.ButtonizeShadow));
  // The key colour has no setter group: its selector writes the field.
  if (s.key) layer.TransparentColor = *s.key;
}

}  // namespace

const char* BlendName(int blend_type) {
  switch (blend_type) {
    case 0: return "none";
    case 1: return "normal";
    case 2: return "hgradient";
    case 3: return "vgradient";
    default: return "unknown";
  }
}

const char* FadeName(int fade_mode) {
  switch (fade_mode) {
    case 0: return "none";
    case 1: return "pulse";
    case 2: return "smooth";
    default: return "unknown";
  }
}

const char* DirectionName(int direction) {
  switch (direction) {
    case 0: return "up";
    case 1: return "down";
    case 2: return "left";
    case 3: return "right";
    default: return "unknown";
  }
}

void RequireFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return;
  if (std::filesystem::exists(folder, ec)) throw CommandFailed(folder.string() + " is not a folder");
  throw CommandFailed("the folder " + folder.string() + " does not exist");
}

void RequireOutputFolder(const std::filesystem::path& out) {
  const std::filesystem::path folder = out.parent_path();
  RequireFolder(folder.empty() ? std::filesystem::path(".") : folder);
}

LoadedProject LoadProject(const std::filesystem::path& path, CliUi& ui) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw CommandFailed("no project file at " + path.string());
  LoadedProject loaded{std::make_unique<Project>(), {}};
  Project& project = *loaded.project;
  ProjectReadResult read;
  {
    DialogProgress progress = ui.MakeProgress();
    read = project.ReadFromFile(path, progress);
  }
  if (read.not_a_project) throw CommandFailed(path.filename().string() + " is not a kt58 project");
  const std::string line = "cannot read project " + path.string() + ": ";
  if (!read.ok) {
    // A resource cut short throws the rest of the file out of step: what
    // went wrong first says more than where the reader finally stopped.
    std::string text = line + MessageAndCause(read.message, read.cause);
    if (!read.warnings.empty())
      text += " Before that: " + MessageAndCause(read.warnings.front().message, read.warnings.front().cause);
    throw CommandFailed(text);
  }
  // The editor opens what it can; a script must not take a project with a
  // resource missing for the project.
  if (!read.warnings.empty()) {
    const ProjectReadIssue& first = read.warnings.front();
    std::string text = line + MessageAndCause(first.message, first.cause);
    if (read.warnings.size() > 1) text += " (" + std::to_string(read.warnings.size() - 1) + " more problems)";
    throw CommandFailed(text);
  }
  {
    DialogProgress progress = ui.MakeProgress();
    loaded.sequence = MakeFrameSequence(project, progress);
  }
  project.NonRenderedPlayback = true;
  return loaded;
}

void RunNew(const NewCommand& cmd, CliUi& ui) {
  RequireOutputFolder(cmd.out);
  // The project must never take the place of a file it is made from; the
  // same file may go by another name (a link, "./a.bmp").
  for (const LayerSpec& spec : cmd.layers) {
    std::error_code ec;
    if (std::filesystem::equivalent(cmd.out, spec.file, ec))
      throw CommandFailed("the output " + cmd.out.string() + " is the layer file " + spec.file.string() +
                          "; nothing was written");
  }
  // Made first: a video's frames are written straight into it.
  std::optional<AtomicFile> project_file;
  try {
    project_file.emplace(cmd.out);
  } catch (const PlatformError& e) {
    throw CommandFailed(e.what());
  }
  Project anim;
  anim.PlaceStoreIn(*project_file);
  // Set before the layers go in: adding a layer resequences with the
  // animation's frame count.
  anim.FrameCount = cmd.frames;
  anim.BackgroundColor = cmd.background;
  if (cmd.size) {
    anim.FixedFrameSize = true;
    anim.FixedWidth = cmd.size->first;
    anim.FixedHeight = cmd.size->second;
  }
  for (const LayerSpec& spec : cmd.layers) {
    Layer* layer = nullptr;
    try {
      DialogProgress progress = ui.MakeProgress();
      layer = anim.AddLayerFromFile(spec.file, progress);
    } catch (const Kt58Error& e) {
      if (const auto* engine = dynamic_cast<const EngineError*>(&e); engine && engine->Code() == EngineErrorCode::Abort)
        throw CommandFailed("no file at " + spec.file.string());
      throw CommandFailed(WithCoreMessage(std::string("cannot add layer: ") + e.what(), ui));
    }
    if (!layer) throw CommandFailed("cannot add layer from " + spec.file.string());
    // A video or animated GIF whose import failed would give a layer that
    // never draws; the editor keeps it silently, a build script wants to know.
    if (!layer->ImageRef || !layer->ImageRef->HasPicture())
      throw CommandFailed(WithCoreMessage("no frames could be read from " + spec.file.string(), ui));
    // A picture without pixels (a BMP of 0 x 0) makes a project with
    // nothing to show whose exports would all be empty.
    if (layer->ImageRef->Width <= 0 || layer->ImageRef->Height <= 0)
      throw CommandFailed("the picture in " + spec.file.string() + " has no pixels (" +
                          std::to_string(layer->ImageRef->Width) + " x " + std::to_string(layer->ImageRef->Height) +
                          ")");
    ApplyLayerSpec(*layer, spec);
    // An import cancelled by Ctrl+C ends early without an error.
    if (CliUi::Interrupted()) throw InterruptedError();
  }
  try {
    DialogProgress progress = ui.MakeProgress();
    for (const StoreProblem& problem : anim.SaveToFile(*project_file, progress)) ui.ShowMessage(problem.message);
  } catch (const Kt58Error& e) {
    throw CommandFailed(e.what());  // names the file and the cause
  }
  // What the file really takes, now that it is written.
  std::error_code ec;
  const uintmax_t bytes = std::filesystem::file_size(cmd.out, ec);
  if (!ec && bytes > kLargeProjectBytes)
    std::fprintf(stderr, "kt58: the project %s takes %ju MB\n", cmd.out.string().c_str(), bytes / 1'000'000);
}

}  // namespace kt58::cli
