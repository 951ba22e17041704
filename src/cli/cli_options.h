// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line parsing of the kt58 tool: every argument is checked here, so
// the commands only ever see values within the ranges the editor keeps.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "engine/colors.h"
#include "export/bitmap_sequence.h"
#include "export/frame_range.h"
#include "export/frame_scale.h"
#include "platform/video_writer.h"

namespace kt58::cli {

// A command line that does not fit the usage; the text names the argument,
// and `command` the command whose usage it broke (empty: none was named).
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& what, std::string command = {})
      : std::runtime_error(what), command(std::move(command)) {}
  std::string command;
};

// What every command takes: --quiet draws no progress bar; --memory-limit
// sets the memory the work may use, in MB; --threads the threads an export
// works on.
struct CommonOptions {
  bool quiet = false;
  std::optional<int> memory_limit_mb;
  std::optional<int> threads;
};

// One --layer FILE and the options that follow it. Unset options keep the
// value a layer added from the file gets.
struct LayerSpec {
  std::filesystem::path file;
  std::optional<int> x, y;
  std::optional<int> start_angle, rotate;  // whole degrees
  bool counter_clockwise = false;
  bool anti_alias = false;
  std::optional<int> blend;  // bt_* code
  std::optional<int> transparency, alt_transparency;
  std::optional<Color> tint;
  std::optional<int> fade;  // fm_* code
  std::optional<int> fade_start, fade_final;
  std::optional<int> pixel_rotate;  // pr_* code
  bool mirror = false;
  bool flip = false;
  std::optional<int> bevel;
  std::optional<Color> bevel_highlight, bevel_shadow;
  std::optional<Color> key;  // none: the auto-detected colour
};

struct InfoCommand : CommonOptions {
  std::filesystem::path project;
  bool json = false;
};

struct NewCommand : CommonOptions {
  std::filesystem::path out;
  int frames = 10;
  std::optional<std::pair<int, int>> size;  // fixed frame size
  Color background = 0;
  std::vector<LayerSpec> layers;  // bottom layer first
};

struct ExportGifCommand : CommonOptions {
  std::filesystem::path project, out;
  int delay_ms = 100;
  // Without options: one palette for the whole animation and the lossless
  // optimisations, the smallest file at no loss.
  std::string palette = "global";
  int colors = 256;
  std::string dither = "nearest";
  std::vector<std::string> optimize = {"merge", "crop", "remove-passive"};  // as given, no repeats
  std::string compression = "lzw";
  int lossy = 0;  // 0 exact
  int plays = 0;  // 0 forever, else that many times
  FrameRange frames;
  OutputSize size;  // --scale, --width, --height
  bool transparent = false;  // the background colour written transparent
};

struct ExportBmpCommand : CommonOptions {
  std::filesystem::path project, folder;
  std::string pattern = "###";
  int start = 0;
  FrameRange frames;
  OutputSize size;
};

// export-bmp's files in a format of choice, named with its extension.
struct ExportSequenceCommand : ExportBmpCommand {
  SequenceFormat format = SequenceFormat::Png;
  bool transparent = false;  // PNG only
};

struct ExportFrameCommand : CommonOptions {
  std::filesystem::path project;
  int frame_index = 0;
  std::filesystem::path out;
  OutputSize size;
  bool transparent = false;  // PNG only
};

struct ExportAviCommand : CommonOptions {
  std::filesystem::path project, out;
  FrameRange frames;
  OutputSize size;
};

struct ExportVideoCommand : CommonOptions {
  std::filesystem::path project, out;  // out has one of the video extensions, or is "-"
  VideoFormat format = VideoFormat::WebP;  // by out's extension or --format
  int delay_ms = 0;                    // 0: the project's frame delay
  int quality = 75;
  bool lossless = false;
  int plays = 0;  // WebP and APNG: 0 forever, else that many times
  FrameRange frames;
  OutputSize size;
  bool transparent = false;  // WebP and APNG only
};

// "kt58 --help" (command empty) or "kt58 COMMAND --help".
struct HelpCommand : CommonOptions {
  std::string command;
};
struct VersionCommand : CommonOptions {};

using Command = std::variant<HelpCommand, VersionCommand, InfoCommand, NewCommand, ExportGifCommand, ExportBmpCommand,
                             ExportSequenceCommand, ExportFrameCommand, ExportAviCommand, ExportVideoCommand>;

// args excludes the program name. Raises UsageError.
Command ParseCommandLine(const std::vector<std::string>& args);

// The whole usage text, several lines ending in a newline.
std::string UsageText();
// One command's part of it ("usage:" and its lines); the whole text for an
// empty or unknown name.
std::string CommandUsageText(const std::string& command);

// The output name that means standard output.
inline constexpr const char* kStandardOutput = "-";

// "RRGGBB" or "#RRGGBB" (red first, hexadecimal) or a CSS colour name, as a
// colour value with red in the low byte; UsageError naming the option
// otherwise.
Color ParseColorOption(const std::string& option, const std::string& text);
// A decimal integer within [lo, hi]; UsageError naming the option otherwise.
int ParseIntOption(const std::string& option, const std::string& text, int lo, int hi);
// The colour as "RRGGBB".
std::string ColorText(Color color);

// The limit the tool keeps where the editor has no fixed one: layer
// position, pixels either way. Frame sizes keep the picture limits.
inline constexpr int kMaxOffset = 100000;

}  // namespace kt58::cli
