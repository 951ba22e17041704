// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <tuple>

#include "platform/picture_limits.h"
#include "engine/raster_ops.h"
#include "export/bitmap_sequence.h"
#include "export/gif/gif_image.h"
#include "model/project.h"
#include "model/layer.h"
#include "cli/css_colors.h"
#include "platform/video_writer.h"

namespace kt58::cli {

namespace {

// --memory-limit, MB: below 64 no export of even a small frame fits.
constexpr int kMinMemoryLimitMb = 64;
constexpr int kMaxMemoryLimitMb = 1 << 20;
// --threads: far beyond any core count, yet each thread's frames fit.
constexpr int kMaxThreads = 256;

// Each command's lines of the usage, in the order the whole text lists them.
struct CommandUsage {
  const char* command;
  const char* lines;
};

const CommandUsage kUsages[] = {
    {"info", "  kt58 info <project.apf> [--json]\n"},
    {"new",
     "  kt58 new <out.apf> [--frames N] [--size WxH] [--background COLOUR]\n"
     "           --layer FILE [layer options] [--layer FILE [layer options]] ...\n"
     "      layer options: --x N --y N --start-angle DEG --rotate DEG --counter-clockwise\n"
     "        --anti-alias --blend none|normal|hgradient|vgradient --transparency P\n"
     "        --alt-transparency P --tint COLOUR --fade none|pulse|smooth --fade-start P\n"
     "        --fade-final P --pixel-rotate up|down|left|right --mirror --flip --bevel N\n"
     "        --bevel-highlight COLOUR --bevel-shadow COLOUR --key COLOUR|auto\n"
     "      the first --layer is the bottom layer, each later one goes on top\n"},
    {"export-gif",
     "  kt58 export-gif <project.apf> <out.gif|-> [--delay MS] [--palette P] [--colors N]\n"
     "           [--dither D] [--optimize LIST] [--compression C] [--lossy N] [--frames A-B]\n"
     "           [--every K]\n"
     "      --delay 10..1000 (100); --palette global|optimized|optimized-windows|web|mono|\n"
     "        gray|windows-gray|windows (global: one palette for the whole animation);\n"
     "      --colors 8|16|32|64|128|256, size of the global or optimized palette (256);\n"
     "      --dither nearest|floyd-steinberg|stucki|sierra|burkes (nearest);\n"
     "      --optimize a comma list of single-map,merge,crop,remove-passive,sort, or none\n"
     "        (merge,crop,remove-passive); --compression lzw|rle (lzw)\n"
     "      --lossy 0..100, a smaller file for colours up to 0.3 x N off in RGB (0: exact;\n"
     "        lzw only)\n"
     "      --loop N plays N times, 0 forever (0); --once is --loop 1\n"},
    {"export-bmp",
     "  kt58 export-bmp <project.apf> <folder> [--pattern P] [--start N] [--frames A-B]\n"
     "           [--every K]\n"
     "      --pattern with a run of # for the number (\"###\"); --start 0..100000 (0)\n"
     "      the files replace those of the same names once all are written, none when\n"
     "        the export fails or is stopped; files of other names stay\n"},
    {"export-sequence",
     "  kt58 export-sequence <project.apf> <folder> [--format png|bmp] [--pattern P]\n"
     "           [--start N] [--frames A-B] [--every K]\n"
     "      numbered PNG (exact, the default) or BMP files named as export-bmp names them,\n"
     "        with the extension .png or .bmp, replaced all at once as by export-bmp\n"},
    {"export-frame", "  kt58 export-frame <project.apf> <frame-index> <out.bmp|.jpg|.gif|.png>\n"},
    {"export-avi", "  kt58 export-avi <project.apf> <out.avi> [--frames A-B] [--every K]\n"},
    {"export-video",
     "  kt58 export-video <project.apf> <out.webp|.apng|.png|.mp4|.webm|-> [--delay MS]\n"
     "           [--quality 0..100] [--lossless] [--format webp|apng|mp4|webm] [--loop N]\n"
     "           [--frames A-B] [--every K]\n"
     "      animated WebP, APNG (exact), MP4 (H.264) or WebM (VP9), by the extension\n"
     "        or --format (which \"-\" needs);\n"
     "      --delay 10..1000 (the project's delay, else 100); --quality 0..100 (75);\n"
     "      --lossless for .webp: exact frames; --loop N and --once for WebP and APNG\n"},
};

const char kUsageEnd[] =
    "  kt58 --help, kt58 COMMAND --help\n"
    "  kt58 --version\n"
    "--frames A-B exports frames A to B only (counted from 0; A- to the end, -B from\n"
    "the start, N frame N alone) and --every K every K-th of them (1), each frame as in\n"
    "the whole animation: for export-gif, -video, -avi, -bmp and -sequence;\n"
    "every command takes --quiet (no progress bar), --memory-limit MB (the memory its\n"
    "work may use: 64..1048576, a quarter of the memory, at most 4096, by default;\n"
    "exports lower their threads to stay within it or refuse in one line), --threads\n"
    "N (the threads an export composes and encodes its frames on: 1..256, one a core\n"
    "by default; the output is the same for any number) and --\n"
    "(the arguments after it are not options); an output of - writes the GIF, WebP or APNG to standard output once\n"
    "it is complete; colours are written RRGGBB or #RRGGBB (red first) or as a CSS\n"
    "colour name (navy, orange, ...);\n"
    "--scale W[xH] (or --width W, --height H) writes the frames at that size, a side\n"
    "left out following the frame's aspect (--scale 320: 320 wide): for every export;\n"
    "--transparent writes the project's background colour transparent: for export-gif,\n"
    "export-video (WebP, APNG) and the PNG of export-frame and export-sequence\n";

// Walks the arguments of one command; options may be written "--name value"
// or "--name=value".
class ArgCursor {
 public:
  explicit ArgCursor(const std::vector<std::string>& args) : args_(args) {}

  // A "--" with nothing after it ends the arguments too.
  bool Done() const {
    return i_ >= args_.size() || (!options_ended_ && i_ + 1 == args_.size() && args_[i_] == "--");
  }

  // The next argument; for an option, its name without an "=value" part.
  // "--" itself is taken here: every argument after it is an operand.
  std::string Next() {
    inline_value_.reset();
    if (!options_ended_ && args_[i_] == "--") {
      options_ended_ = true;
      ++i_;
    }
    const std::string& a = args_[i_++];
    operand_ = options_ended_ || !(a.size() > 1 && a[0] == '-') || a == kStandardOutput;
    if (!operand_ && a.size() > 2 && a.starts_with("--")) {
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        inline_value_ = a.substr(eq + 1);
        return a.substr(0, eq);
      }
    }
    return a;
  }

  std::string Value(const std::string& option) {
    if (inline_value_) {
      std::string v = *inline_value_;
      inline_value_.reset();
      return v;
    }
    if (Done()) throw UsageError(option + " needs a value");
    return args_[i_++];
  }

  // A flag written with "=value" is a usage error.
  void NoValue(const std::string& option) const {
    if (inline_value_) throw UsageError(option + " takes no value");
  }

  // Whether the argument Next gave is an option (not an operand: a file
  // name, a number, "-", or anything after "--").
  bool IsOption() const { return !operand_; }

 private:
  const std::vector<std::string>& args_;
  size_t i_ = 0;
  std::optional<std::string> inline_value_;
  bool options_ended_ = false;
  bool operand_ = false;
};

// Edits (insert, delete, replace a character) between two option names.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t replaced = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
    }
  }
  return row[b.size()];
}

int Choice(const std::string& option, const std::string& text, const std::vector<std::string>& names) {
  const auto it = std::find(names.begin(), names.end(), text);
  if (it != names.end()) return static_cast<int>(it - names.begin());
  std::string list;
  for (const auto& n : names) list += (list.empty() ? "" : "|") + n;
  throw UsageError(option + " must be one of " + list + ", not \"" + text + "\"");
}

void Positional(std::vector<std::string>& into, size_t wanted, const std::string& arg, const char* command) {
  if (arg.empty()) throw UsageError(std::string("an empty argument for ") + command);
  if (into.size() >= wanted) throw UsageError(std::string("unexpected argument \"") + arg + "\" for " + command);
  into.push_back(arg);
}

// Takes the next argument: an operand goes into `pos`, --quiet onto
// `common`; true, with its name in `option`, for any other option.
bool TakeOption(ArgCursor& cur, std::vector<std::string>& pos, size_t wanted, const char* command,
                CommonOptions& common, std::string& option) {
  option = cur.Next();
  if (!cur.IsOption()) {
    Positional(pos, wanted, option, command);
    return false;
  }
  if (option == "--quiet" || option == "-q") {
    cur.NoValue(option);
    common.quiet = true;
    return false;
  }
  if (option == "--memory-limit") {
    common.memory_limit_mb = ParseIntOption(option, cur.Value(option), kMinMemoryLimitMb, kMaxMemoryLimitMb);
    return false;
  }
  if (option == "--threads") {
    common.threads = ParseIntOption(option, cur.Value(option), 1, kMaxThreads);
    return false;
  }
  return true;
}

void NeedPositionals(const std::vector<std::string>& got, const std::vector<const char*>& names,
                     const char* command) {
  if (got.size() < names.size())
    throw UsageError(std::string(command) + " needs " + names[got.size()]);
}

// The option names each command knows, for the suggestion after a typo.
const std::vector<std::string> kLayerOptions = {
    "--x",           "--y",     "--start-angle", "--rotate",     "--counter-clockwise", "--anti-alias",
    "--blend",       "--transparency", "--alt-transparency", "--tint", "--fade",         "--fade-start",
    "--fade-final",  "--pixel-rotate", "--mirror",      "--flip",       "--bevel",        "--bevel-highlight",
    "--bevel-shadow", "--key"};

// Whether the file name ends in the extension (with its dot), in any letter
// case.
bool HasExtension(const std::filesystem::path& file, const std::string& extension) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
  return ext == extension;
}

// The output must be a file of the command's format: a GIF named o.png is a
// mistake, and a project named .gif would be taken for a picture.
void RequireExtension(const char* command, const std::filesystem::path& out, const std::string& extension,
                      const char* what) {
  if (!HasExtension(out, extension))
    throw UsageError(std::string(command) + " writes " + what + ": the output must end in " + extension +
                     ", not \"" + out.filename().string() + "\"");
}

void RefuseStandardOutput(const char* command, const std::filesystem::path& out) {
  if (out == kStandardOutput)
    throw UsageError(std::string(command) +
                     " writes files only; standard output (-) takes a GIF, WebP or APNG from export-gif or "
                     "export-video");
}

std::vector<std::string> NewOptions() {
  std::vector<std::string> names = {"--frames", "--size", "--background", "--layer"};
  names.insert(names.end(), kLayerOptions.begin(), kLayerOptions.end());
  return names;
}

[[noreturn]] void ThrowUnknown(const std::string& option, const char* command, std::vector<std::string> known) {
  known.push_back("--quiet");
  known.push_back("--memory-limit");
  known.push_back("--threads");
  known.push_back("--help");
  std::string best;
  size_t best_distance = std::string::npos;
  for (const std::string& name : known) {
    const size_t d = EditDistance(option, name);
    if (d < best_distance) {
      best_distance = d;
      best = name;
    }
  }
  // A third of the name may be mistyped, and at least two letters.
  const size_t allowed = std::max<size_t>(2, option.size() / 3);
  std::string text = "unknown option " + option + " for " + command;
  if (best_distance <= allowed) text += "; did you mean " + best + "?";
  throw UsageError(text);
}

// Returns false when the option is not a layer option.
bool ParseLayerOption(const std::string& opt, ArgCursor& cur, LayerSpec& l) {
  auto percent = [&](std::optional<int>& field) { field = ParseIntOption(opt, cur.Value(opt), 0, 100); };
  auto color = [&](std::optional<Color>& field) { field = ParseColorOption(opt, cur.Value(opt)); };
  if (opt == "--x") {
    l.x = ParseIntOption(opt, cur.Value(opt), -kMaxOffset, kMaxOffset);
  } else if (opt == "--y") {
    l.y = ParseIntOption(opt, cur.Value(opt), -kMaxOffset, kMaxOffset);
  } else if (opt == "--start-angle") {
    l.start_angle = ParseIntOption(opt, cur.Value(opt), 0, 359);
  } else if (opt == "--rotate") {
    l.rotate = ParseIntOption(opt, cur.Value(opt), 0, 1440);
  } else if (opt == "--counter-clockwise") {
    cur.NoValue(opt);
    l.counter_clockwise = true;
  } else if (opt == "--anti-alias") {
    cur.NoValue(opt);
    l.anti_alias = true;
  } else if (opt == "--blend") {
    l.blend = Choice(opt, cur.Value(opt), {"none", "normal", "hgradient", "vgradient"});
  } else if (opt == "--transparency") {
    percent(l.transparency);
  } else if (opt == "--alt-transparency") {
    percent(l.alt_transparency);
  } else if (opt == "--tint") {
    color(l.tint);
  } else if (opt == "--fade") {
    l.fade = Choice(opt, cur.Value(opt), {"none", "pulse", "smooth"});
  } else if (opt == "--fade-start") {
    percent(l.fade_start);
  } else if (opt == "--fade-final") {
    percent(l.fade_final);
  } else if (opt == "--pixel-rotate") {
    l.pixel_rotate = Choice(opt, cur.Value(opt), {"up", "down", "left", "right"});
  } else if (opt == "--mirror") {
    cur.NoValue(opt);
    l.mirror = true;
  } else if (opt == "--flip") {
    cur.NoValue(opt);
    l.flip = true;
  } else if (opt == "--bevel") {
    l.bevel = ParseIntOption(opt, cur.Value(opt), 0, 100);
  } else if (opt == "--bevel-highlight") {
    color(l.bevel_highlight);
  } else if (opt == "--bevel-shadow") {
    color(l.bevel_shadow);
  } else if (opt == "--key") {
    const std::string v = cur.Value(opt);
    if (v == "auto")
      l.key.reset();
    else
      l.key = ParseColorOption(opt, v);
  } else {
    return false;
  }
  return true;
}

// --loop N (0 forever, at most `most`) and --once (--loop 1); false for
// another option. GIF counts the repeats after the first play in 16 bits,
// WebP the plays.
bool ParsePlays(const std::string& opt, ArgCursor& cur, int& plays, int most) {
  if (opt == "--loop") {
    plays = ParseIntOption(opt, cur.Value(opt), 0, most);
  } else if (opt == "--once") {
    cur.NoValue(opt);
    plays = 1;
  } else {
    return false;
  }
  return true;
}

// --frames A-B | A- | -B | N and --every K: a part of the animation, the
// frame numbers 0-based and inclusive; false for another option. Whether
// the project has those frames is known only once it is read.
bool ParseFrameRange(const std::string& opt, ArgCursor& cur, FrameRange& range) {
  if (opt == "--every") {
    range.step = ParseIntOption(opt, cur.Value(opt), 1, kMaxFrameCount);
    return true;
  }
  if (opt != "--frames") return false;
  const std::string v = cur.Value(opt);
  const size_t dash = v.find('-');
  const int most = kMaxFrameCount - 1;
  if (dash == std::string::npos) {
    range.first = ParseIntOption(opt, v, 0, most);
    range.last = range.first;
    return true;
  }
  const std::string first = v.substr(0, dash), last = v.substr(dash + 1);
  if (first.empty() && last.empty()) throw UsageError(opt + " must be A-B, A-, -B or N, not \"" + v + "\"");
  range.first = first.empty() ? 0 : ParseIntOption(opt, first, 0, most);
  range.last.reset();
  if (!last.empty()) range.last = ParseIntOption(opt, last, 0, most);
  if (range.last && *range.last < range.first)
    throw UsageError(opt + " must not end before it starts, not \"" + v + "\"");
  return true;
}

const std::vector<std::string> kFrameRangeOptions = {"--frames", "--every"};

// The known options and the part of the animation's.
std::vector<std::string> WithFrameRange(std::vector<std::string> known) {
  known.insert(known.end(), kFrameRangeOptions.begin(), kFrameRangeOptions.end());
  return known;
}

InfoCommand ParseInfo(ArgCursor& cur) {
  InfoCommand c;
  std::vector<std::string> pos;
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 1, "info", c, a)) continue;
    if (a == "--json") {
      cur.NoValue(a);
      c.json = true;
    } else {
      ThrowUnknown(a, "info", {"--json"});
    }
  }
  NeedPositionals(pos, {"<project.apf>"}, "info");
  c.project = pos[0];
  return c;
}

std::pair<int, int> ParseSize(const std::string& opt, const std::string& text) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) throw UsageError(opt + " must be WxH, not \"" + text + "\"");
  const int width = ParseIntOption(opt + " width", text.substr(0, x), 1, kMaxPictureSide);
  const int height = ParseIntOption(opt + " height", text.substr(x + 1), 1, kMaxPictureSide);
  if (!WithinPictureLimits(width, height)) throw UsageError(opt + " " + PictureLimitText(width, height));
  return {width, height};
}

// --scale W[xH], --width W, --height H: the size an export writes at; false
// for another option. A side left out follows the frame's aspect, known
// only once the project is read; two sides given are checked here.
bool ParseOutputSize(const std::string& opt, ArgCursor& cur, OutputSize& size) {
  if (opt == "--scale") {
    const std::string v = cur.Value(opt);
    if (v.find_first_of("xX") != std::string::npos) {
      std::tie(size.width, size.height) = ParseSize(opt, v);
      return true;
    }
    size.width = ParseIntOption(opt, v, 1, kMaxPictureSide);
    size.height = 0;
  } else if (opt == "--width") {
    size.width = ParseIntOption(opt, cur.Value(opt), 1, kMaxPictureSide);
  } else if (opt == "--height") {
    size.height = ParseIntOption(opt, cur.Value(opt), 1, kMaxPictureSide);
  } else {
    return false;
  }
  if (size.width > 0 && size.height > 0 && !WithinPictureLimits(size.width, size.height))
    throw UsageError(opt + " " + PictureLimitText(size.width, size.height));
  return true;
}

const std::vector<std::string> kOutputSizeOptions = {"--scale", "--width", "--height"};

// --transparent; false for another option.
bool ParseTransparent(const std::string& opt, ArgCursor& cur, bool& transparent) {
  if (opt != "--transparent") return false;
  cur.NoValue(opt);
  transparent = true;
  return true;
}

NewCommand ParseNew(ArgCursor& cur) {
  NewCommand c;
  std::vector<std::string> pos;
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 1, "new", c, a)) continue;
    if (a == "--frames") {
      c.frames = ParseIntOption(a, cur.Value(a), kMinFrameCount, kMaxFrameCount);
    } else if (a == "--size") {
      c.size = ParseSize(a, cur.Value(a));
    } else if (a == "--background") {
      c.background = ParseColorOption(a, cur.Value(a));
    } else if (a == "--layer") {
      const std::string file = cur.Value(a);
      if (file.empty()) throw UsageError("--layer needs a file name");
      c.layers.push_back(LayerSpec{});
      c.layers.back().file = file;
    } else {
      LayerSpec scratch;
      LayerSpec& target = c.layers.empty() ? scratch : c.layers.back();
      if (!ParseLayerOption(a, cur, target)) ThrowUnknown(a, "new", NewOptions());
      if (c.layers.empty()) throw UsageError(a + " must follow --layer FILE");
    }
  }
  NeedPositionals(pos, {"<out.apf>"}, "new");
  c.out = pos[0];
  RefuseStandardOutput("new", c.out);
  RequireExtension("new", c.out, ".apf", "a project");
  if (c.layers.empty()) throw UsageError("new needs at least one --layer FILE");
  return c;
}

ExportGifCommand ParseExportGif(ArgCursor& cur) {
  ExportGifCommand c;
  std::vector<std::string> pos;
  static const std::vector<std::string> kPalettes = {"global", "optimized",    "optimized-windows", "web",
                                                     "mono",   "gray",         "windows-gray",      "windows"};
  static const std::vector<std::string> kDithers = {"nearest", "floyd-steinberg", "stucki", "sierra", "burkes"};
  static const std::vector<std::string> kOptimize = {"single-map", "merge", "crop", "remove-passive", "sort", "none"};
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 2, "export-gif", c, a)) continue;
    if (a == "--delay") {
      c.delay_ms = ParseIntOption(a, cur.Value(a), 10, 1000);
    } else if (a == "--palette") {
      c.palette = kPalettes[static_cast<size_t>(Choice(a, cur.Value(a), kPalettes))];
    } else if (a == "--colors") {
      const std::string v = cur.Value(a);
      Choice(a, v, {"8", "16", "32", "64", "128", "256"});
      c.colors = std::stoi(v);
    } else if (a == "--dither") {
      c.dither = kDithers[static_cast<size_t>(Choice(a, cur.Value(a), kDithers))];
    } else if (ParsePlays(a, cur, c.plays, 0x10000) || ParseFrameRange(a, cur, c.frames) ||
               ParseOutputSize(a, cur, c.size) || ParseTransparent(a, cur, c.transparent)) {
    } else if (a == "--compression") {
      static const std::vector<std::string> kCompressions = {"lzw", "rle"};
      c.compression = kCompressions[static_cast<size_t>(Choice(a, cur.Value(a), kCompressions))];
    } else if (a == "--lossy") {
      c.lossy = ParseIntOption(a, cur.Value(a), 0, kMaxLossy);
    } else if (a == "--optimize") {
      const std::string v = cur.Value(a);
      c.optimize.clear();
      size_t start = 0;
      while (start <= v.size()) {
        size_t comma = v.find(',', start);
        if (comma == std::string::npos) comma = v.size();
        const std::string item = v.substr(start, comma - start);
        if (!item.empty()) {
          const std::string& name = kOptimize[static_cast<size_t>(Choice(a, item, kOptimize))];
          if (name != "none" && std::find(c.optimize.begin(), c.optimize.end(), name) == c.optimize.end())
            c.optimize.push_back(name);
        }
        start = comma + 1;
      }
    } else {
      ThrowUnknown(a, "export-gif",
                   WithFrameRange({"--delay", "--palette", "--colors", "--dither", "--optimize", "--compression",
                                   "--lossy", "--loop", "--once", "--scale", "--width", "--height",
                                   "--transparent"}));
    }
  }
  // Run-length codes have no dictionary whose strings lossy LZW stretches.
  if (c.lossy > 0 && c.compression == "rle") throw UsageError("--lossy needs --compression lzw, not rle");
  NeedPositionals(pos, {"<project.apf>", "<out.gif>"}, "export-gif");
  c.project = pos[0];
  c.out = pos[1];
  if (c.out != kStandardOutput) RequireExtension("export-gif", c.out, ".gif", "a GIF");
  return c;
}

// export-bmp and export-sequence: the same files, the latter in a format
// of choice and perhaps transparent (`sequence` null for export-bmp, which
// has neither).
void ParseSequence(ArgCursor& cur, const char* command, ExportBmpCommand& c, ExportSequenceCommand* sequence) {
  std::vector<std::string> pos;
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 2, command, c, a)) continue;
    if (a == "--pattern") {
      c.pattern = cur.Value(a);
      // The pattern names files inside the folder, never elsewhere.
      if (c.pattern.find('/') != std::string::npos || c.pattern.find('\\') != std::string::npos)
        throw UsageError("--pattern must be a file name without folders");
      if (c.pattern.empty()) throw UsageError("--pattern must not be empty");
      // Without a run of '#' every frame would get the same name, each
      // replacing the one before: never what a script means.
      if (!PatternHasNumber(c.pattern))
        throw UsageError("--pattern must hold a run of # for the frame number, not \"" + c.pattern + "\"");
    } else if (a == "--start") {
      c.start = ParseIntOption(a, cur.Value(a), 0, 100000);
    } else if (sequence && a == "--format") {
      sequence->format = Choice(a, cur.Value(a), {"png", "bmp"}) == 0 ? SequenceFormat::Png : SequenceFormat::Bmp;
    } else if (sequence && ParseTransparent(a, cur, sequence->transparent)) {
    } else if (!ParseFrameRange(a, cur, c.frames) && !ParseOutputSize(a, cur, c.size)) {
      std::vector<std::string> known = WithFrameRange({"--pattern", "--start", "--scale", "--width", "--height"});
      if (sequence) known.insert(known.end(), {"--format", "--transparent"});
      ThrowUnknown(a, command, known);
    }
  }
  NeedPositionals(pos, {"<project.apf>", "<folder>"}, command);
  c.project = pos[0];
  c.folder = pos[1];
  RefuseStandardOutput(command, c.folder);
  if (sequence && sequence->transparent && sequence->format == SequenceFormat::Bmp)
    throw UsageError("--transparent is for PNG; BMP has no alpha channel");
}

ExportBmpCommand ParseExportBmp(ArgCursor& cur) {
  ExportBmpCommand c;
  ParseSequence(cur, "export-bmp", c, nullptr);
  return c;
}

ExportSequenceCommand ParseExportSequence(ArgCursor& cur) {
  ExportSequenceCommand c;
  ParseSequence(cur, "export-sequence", c, &c);
  return c;
}

ExportFrameCommand ParseExportFrame(ArgCursor& cur) {
  ExportFrameCommand c;
  std::vector<std::string> pos;
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 3, "export-frame", c, a)) continue;
    if (!ParseOutputSize(a, cur, c.size) && !ParseTransparent(a, cur, c.transparent)) {
      std::vector<std::string> known = kOutputSizeOptions;
      known.push_back("--transparent");
      ThrowUnknown(a, "export-frame", known);
    }
  }
  NeedPositionals(pos, {"<project.apf>", "<frame-index>", "<out.bmp|.jpg|.gif|.png>"}, "export-frame");
  c.project = pos[0];
  c.frame_index = ParseIntOption("<frame-index>", pos[1], 0, 999);
  c.out = pos[2];
  RefuseStandardOutput("export-frame", c.out);
  if (!HasExtension(c.out, ".bmp") && !HasExtension(c.out, ".jpg") && !HasExtension(c.out, ".gif") &&
      !HasExtension(c.out, ".png"))
    throw UsageError("export-frame writes .bmp, .jpg, .gif or .png files, not \"" + c.out.filename().string() + "\"");
  if (c.transparent && !HasExtension(c.out, ".png"))
    throw UsageError("--transparent is for PNG; \"" + c.out.filename().string() + "\" has no alpha channel");
  return c;
}

ExportAviCommand ParseExportAvi(ArgCursor& cur) {
  ExportAviCommand c;
  std::vector<std::string> pos;
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 2, "export-avi", c, a)) continue;
    if (!ParseFrameRange(a, cur, c.frames) && !ParseOutputSize(a, cur, c.size))
      ThrowUnknown(a, "export-avi", WithFrameRange(kOutputSizeOptions));
  }
  NeedPositionals(pos, {"<project.apf>", "<out.avi>"}, "export-avi");
  c.project = pos[0];
  c.out = pos[1];
  RefuseStandardOutput("export-avi", c.out);
  RequireExtension("export-avi", c.out, ".avi", "an AVI");
  return c;
}

ExportVideoCommand ParseExportVideo(ArgCursor& cur) {
  ExportVideoCommand c;
  std::vector<std::string> pos;
  std::optional<VideoFormat> format;
  while (!cur.Done()) {
    std::string a;
    if (!TakeOption(cur, pos, 2, "export-video", c, a)) continue;
    if (a == "--delay") {
      c.delay_ms = ParseIntOption(a, cur.Value(a), 10, 1000);
    } else if (a == "--quality") {
      c.quality = ParseIntOption(a, cur.Value(a), 0, 100);
    } else if (a == "--lossless") {
      cur.NoValue(a);
      c.lossless = true;
    } else if (ParsePlays(a, cur, c.plays, 0xFFFF) || ParseFrameRange(a, cur, c.frames) ||
               ParseOutputSize(a, cur, c.size) || ParseTransparent(a, cur, c.transparent)) {
    } else if (a == "--format") {
      static const std::vector<std::string> kFormats = {"webp", "apng", "mp4", "webm"};
      static const VideoFormat kFormatValues[] = {VideoFormat::WebP, VideoFormat::Apng, VideoFormat::Mp4,
                                                  VideoFormat::WebM};
      format = kFormatValues[Choice(a, cur.Value(a), kFormats)];
    } else {
      ThrowUnknown(a, "export-video",
                   WithFrameRange({"--delay", "--quality", "--lossless", "--format", "--loop", "--once", "--scale",
                                   "--width", "--height", "--transparent"}));
    }
  }
  NeedPositionals(pos, {"<project.apf>", "<out.webp|.apng|.png|.mp4|.webm>"}, "export-video");
  c.project = pos[0];
  c.out = pos[1];
  if (c.out == kStandardOutput) {
    // Only the formats written whole in one file can go to a pipe.
    if (!format) throw UsageError("export-video to standard output (-) needs --format webp or --format apng");
    if (*format != VideoFormat::WebP && *format != VideoFormat::Apng)
      throw UsageError("export-video writes only WebP or APNG to standard output (-)");
  } else {
    const std::optional<VideoFormat> by_name = VideoFormatForFile(c.out);
    if (!by_name)
      throw UsageError("export-video writes " + std::string(VideoFileExtensionsText()) + " files, not \"" +
                       c.out.filename().string() + "\"");
    if (format && *format != *by_name)
      throw UsageError("--format " + std::string(VideoFormatName(*format)) + " does not match the name \"" +
                       c.out.filename().string() + "\"");
    format = by_name;
  }
  c.format = *format;
  if (c.plays != 0 && c.format != VideoFormat::WebP && c.format != VideoFormat::Apng)
    throw UsageError("--loop and --once are for WebP and APNG; a video plays once");
  if (c.transparent && c.format != VideoFormat::WebP && c.format != VideoFormat::Apng)
    throw UsageError("--transparent is for WebP and APNG; " + std::string(VideoFormatName(c.format)) +
                     " has no alpha channel");
  if (c.lossless && c.format != VideoFormat::WebP && c.format != VideoFormat::Apng)
    throw UsageError("--lossless is for .webp (APNG is always exact), not " + c.out.extension().string());
  return c;
}

}  // namespace

std::string UsageText() {
  std::string text = "usage:\n";
  for (const CommandUsage& u : kUsages) text += u.lines;
  return text + kUsageEnd;
}

std::string CommandUsageText(const std::string& command) {
  for (const CommandUsage& u : kUsages)
    if (command == u.command) return std::string("usage:\n") + u.lines + kUsageEnd;
  return UsageText();
}

Color ParseColorOption(const std::string& option, const std::string& text) {
  const std::string hex = text.starts_with('#') ? text.substr(1) : text;
  const bool is_hex = hex.size() == 6 && std::all_of(hex.begin(), hex.end(), [](unsigned char ch) {
                        return std::isxdigit(ch) != 0;
                      });
  if (is_hex) {
    const unsigned long rgb = std::stoul(hex, nullptr, 16);
    return RGBColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
  }
  if (const std::optional<Color> named = CssColor(text)) return *named;
  throw UsageError(option + " must be a colour RRGGBB, #RRGGBB or a CSS colour name, not \"" + text + "\"");
}

int ParseIntOption(const std::string& option, const std::string& text, int lo, int hi) {
  int value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (text.empty() || ec == std::errc::invalid_argument || end != last)
    throw UsageError(option + " must be a whole number, not \"" + text + "\"");
  if (ec == std::errc::result_out_of_range || value < lo || value > hi)
    throw UsageError(option + " must be within " + std::to_string(lo) + ".." + std::to_string(hi) + ", not " +
                     text);
  return value;
}

std::string ColorText(Color color) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", static_cast<unsigned>(color & 255),
                static_cast<unsigned>((color >> 8) & 255), static_cast<unsigned>((color >> 16) & 255));
  return buf;
}

Command ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError("no command given");
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || name == "help") return HelpCommand{};
  if (name == "--version") return VersionCommand{};
  using Parser = Command (*)(ArgCursor&);
  static const std::pair<const char*, Parser> kParsers[] = {
      {"info", [](ArgCursor& c) -> Command { return ParseInfo(c); }},
      {"new", [](ArgCursor& c) -> Command { return ParseNew(c); }},
      {"export-gif", [](ArgCursor& c) -> Command { return ParseExportGif(c); }},
      {"export-bmp", [](ArgCursor& c) -> Command { return ParseExportBmp(c); }},
      {"export-sequence", [](ArgCursor& c) -> Command { return ParseExportSequence(c); }},
      {"export-frame", [](ArgCursor& c) -> Command { return ParseExportFrame(c); }},
      {"export-avi", [](ArgCursor& c) -> Command { return ParseExportAvi(c); }},
      {"export-video", [](ArgCursor& c) -> Command { return ParseExportVideo(c); }},
  };
  for (const auto& [command, parse] : kParsers) {
    if (name != command) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    // "--help" anywhere among the options asks for this command's usage.
    for (const std::string& a : rest) {
      if (a == "--") break;
      if (a == "--help" || a == "-h") return HelpCommand{{}, command};
    }
    ArgCursor cur(rest);
    try {
      return parse(cur);
    } catch (const UsageError& e) {
      throw UsageError(e.what(), command);
    }
  }
  throw UsageError("unknown command \"" + name + "\"");
}

}  // namespace kt58::cli
