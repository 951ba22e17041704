// SPDX-License-Identifier: GPL-3.0-or-later
// kt58 info: the project's globals, resources and master layers, as text or
// as one JSON object.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/cli_project.h"
#include "cli/cli_ui.h"
#include "engine/raster_ops.h"
#include "model/image_resource.h"

namespace kt58::cli {

namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int ResourceFrames(const ImageResource& ref) {
  if (ref.StillPicture()) return 1;
  if (ref.Store()) return ref.Store()->FrameCount;
  return 0;
}

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(const std::string& s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  if (b >= 0xC2 && b <= 0xDF) n = 2;
  else if (b >= 0xE0 && b <= 0xEF) n = 3;
  else if (b >= 0xF0 && b <= 0xF4) n = 4;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// Names come from project files in the writer's code page: valid UTF-8 is
// kept, any other byte is taken as Latin-1 so the output stays valid JSON.
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  char buf[8];
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const size_t n = Utf8Length(s, i)) {
      out.append(s, i, n);
      i += n;
    } else {
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
    }
  }
  return out + "\"";
}

// Shortest text that reads back as the same double; null for values JSON
// cannot hold (a project file may carry any bit pattern).
std::string JsonReal(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string RealText(double v) {
  if (!std::isfinite(v)) return "invalid";
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

const char* Bool(bool b) { return b ? "true" : "false"; }
const char* YesNo(bool b) { return b ? "yes" : "no"; }

class JsonObject {
 public:
  explicit JsonObject(std::string& out) : out_(out) { out_ += "{"; }
  void Raw(const char* key, const std::string& value) {
    out_ += first_ ? "" : ",";
    first_ = false;
    out_ += JsonString(key) + ":" + value;
  }
  void Int(const char* key, long long v) { Raw(key, std::to_string(v)); }
  void Text(const char* key, const std::string& v) { Raw(key, JsonString(v)); }
  void Color(const char* key, Color c) { Raw(key, JsonString(ColorText(c))); }
  void Flag(const char* key, bool b) { Raw(key, Bool(b)); }
  void Real(const char* key, double v) { Raw(key, JsonReal(v)); }
  void End() { out_ += "}"; }

 private:
  std::string& out_;
  bool first_ = true;
};

// The layer under the names of `kt58 new`'s layer options, with their
// values as the options take them: a setting that is off is null.
void LayerJson(std::string& out, const Layer& l) {
  JsonObject o(out);
  o.Text("name", l.LayerName);
  o.Raw("resource", l.ImageRef ? std::to_string(l.ImageRef->Id) : "null");
  o.Int("x", l.OffsetX);
  o.Int("y", l.OffsetY);
  o.Color("key", l.TransparentColor);
  o.Real("start-angle", l.StartAngle);
  o.Real("rotate", l.DegreesToRotate);
  o.Flag("counter-clockwise", !l.Clockwise);
  o.Flag("anti-alias", l.AntiAlias);
  o.Text("blend", BlendName(l.BlendType));
  o.Int("transparency", l.Transparency);
  o.Int("alt-transparency", l.AltTransparency);
  o.Raw("tint", l.TintEnabled ? JsonString(ColorText(l.TintColor)) : "null");
  o.Text("fade", FadeName(l.FadeMode));
  o.Int("fade-start", l.FadeStart);
  o.Int("fade-final", l.FadeFinal);
  o.Raw("pixel-rotate", l.PixelRotate ? JsonString(DirectionName(l.PixelRotateDirection)) : "null");
  o.Flag("mirror", l.Mirror);
  o.Flag("flip", l.Flip);
  o.Raw("bevel", l.ButtonizeEnabled ? std::to_string(l.ButtonizeAmount) : "null");
  o.Color("bevel-highlight", l.ButtonizeHighlight);
  o.Color("bevel-shadow", l.ButtonizeShadow);
  o.End();
}

// Raised when a key or value of the object below changes meaning, so that a
// script can tell which object it reads.
constexpr int kJsonFormatVersion = 1;

// The project under the names of `kt58 new`'s options.
std::string ProjectJson(const Project& a, const FrameSequence& sequence) {
  std::string out;
  JsonObject root(out);
  const FrameSize size = a.GetFrameSize();
  root.Int("format_version", kJsonFormatVersion);
  root.Int("frames", a.FrameCount);
  root.Text("size", std::to_string(size.Width) + "x" + std::to_string(size.Height));
  root.Flag("fixed-size", a.FixedFrameSize);
  root.Color("background", a.BackgroundColor);
  root.Int("delay", a.FrameDelay);
  root.Int("generated-frames", sequence.Count());

  std::string resources = "[";
  for (int i = 0; i < a.References->Count(); ++i) {
    const ImageResource& r = *a.References->Item(i);
    if (i) resources += ",";
    JsonObject o(resources);
    o.Int("id", r.Id);
    o.Text("type", Trimmed(SourceTypeText(r.SourceType)));
    o.Text("file", r.SourceFileName.string());
    o.Text("size", std::to_string(r.Width) + "x" + std::to_string(r.Height));
    o.Int("frames", ResourceFrames(r));
    o.End();
  }
  root.Raw("resources", resources + "]");

  std::string layers = "[";
  if (a.ConstructorFrame) {
    bool first = true;
    for (const auto& l : a.ConstructorFrame->Layers) {
      if (!first) layers += ",";
      first = false;
      LayerJson(layers, *l);
    }
  }
  // Top layer first, as stored.
  root.Raw("layers", layers + "]");
  root.End();
  return out + "\n";
}

void PrintText(const Project& a, const std::filesystem::path& path, std::FILE* out) {
  const FrameSize size = a.GetFrameSize();
  std::fprintf(out, "Project %s\n", path.string().c_str());
  std::fprintf(out, "  Frames %d, frame size %d x %d (%s; automatic %d x %d, fixed %d x %d)\n", a.FrameCount,
               size.Width, size.Height, a.FixedFrameSize ? "fixed" : "automatic", a.AutoWidth, a.AutoHeight,
               a.FixedWidth, a.FixedHeight);
  std::fprintf(out, "  Background %s, frame delay %d ms, non-rendered playback %s\n",
               ColorText(a.BackgroundColor).c_str(), a.FrameDelay, YesNo(a.NonRenderedPlayback));
  std::fprintf(out, "Resources (%d)\n", a.References->Count());
  for (int i = 0; i < a.References->Count(); ++i) {
    const ImageResource& r = *a.References->Item(i);
    const int frames = ResourceFrames(r);
    std::fprintf(out, "  #%d %s %d x %d, %d frame%s, %s\n", r.Id, Trimmed(SourceTypeText(r.SourceType)).c_str(),
                 r.Width, r.Height, frames, frames == 1 ? "" : "s", r.SourceFileName.string().c_str());
  }
  const int count = a.LayerCount();
  std::fprintf(out, "Layers (%d, top first)\n", count);
  for (int i = 0; i < count; ++i) {
    const Layer& l = *a.ConstructorFrame->Layers[static_cast<size_t>(i)];
    std::fprintf(out, "  %d \"%s\" resource %s\n", i, l.LayerName.c_str(),
                 l.ImageRef ? ("#" + std::to_string(l.ImageRef->Id)).c_str() : "none");
    std::fprintf(out, "      position %d, %d; key colour %s\n", l.OffsetX, l.OffsetY,
                 ColorText(l.TransparentColor).c_str());
    std::fprintf(out, "      rotation: start %s, rotate %s, %s, anti-alias %s, angle %s\n",
                 RealText(l.StartAngle).c_str(), RealText(l.DegreesToRotate).c_str(),
                 l.Clockwise ? "clockwise" : "counter-clockwise", YesNo(l.AntiAlias), RealText(l.Angle).c_str());
    std::fprintf(out, "      blend %s, transparency %d, alt transparency %d\n", BlendName(l.BlendType),
                 l.Transparency, l.AltTransparency);
    std::fprintf(out, "      tint %s %s; fade %s, start %d, final %d\n", l.TintEnabled ? "on" : "off",
                 ColorText(l.TintColor).c_str(), FadeName(l.FadeMode), l.FadeStart, l.FadeFinal);
    std::fprintf(out, "      pixel rotate %s %s, shift %d; mirror %s, flip %s\n", l.PixelRotate ? "on" : "off",
                 DirectionName(l.PixelRotateDirection), l.PixelRotateShift, YesNo(l.Mirror), YesNo(l.Flip));
    std::fprintf(out, "      bevel %s %d, highlight %s, shadow %s\n", l.ButtonizeEnabled ? "on" : "off",
                 l.ButtonizeAmount, ColorText(l.ButtonizeHighlight).c_str(), ColorText(l.ButtonizeShadow).c_str());
  }
}

}  // namespace

void RunInfo(const InfoCommand& cmd, CliUi& ui, std::FILE* out) {
  const LoadedProject loaded = LoadProject(cmd.project, ui);
  const Project& project = *loaded.project;
  if (cmd.json)
    std::fputs(ProjectJson(project, loaded.sequence).c_str(), out);
  else
    PrintText(project, cmd.project, out);
}

}  // namespace kt58::cli
