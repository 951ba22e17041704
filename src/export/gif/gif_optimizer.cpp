// SPDX-License-Identifier: GPL-3.0-or-later
// The frame optimiser: sort colour maps, drop unused transparency, merge
// frames with what is already on screen, crop transparent borders, remove
// extensions that change nothing.
#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <span>

#include "export/gif/gif_exception.h"
#include "export/gif/gif_frame_optimizer.h"
#include "export/gif/gif_image.h"
#include "export/gif/gif_workers.h"

namespace kt58 {
namespace {

struct Bounds {
  int left = 0, top = 0, right = 0, bottom = 0;  // right/bottom exclusive
  bool Empty() const { return right <= left || bottom <= top; }
};

Bounds FrameRect(const GifFrame& f) { return {f.Left(), f.Top(), f.Left() + f.Width(), f.Top() + f.Height()}; }

// The smallest rectangle (frame coordinates) holding every pixel that is not
// the transparent index; empty when the whole frame is transparent.
// The frame must be expanded.
Bounds OpaqueBounds(const GifFrame& f, int transparent) {
  Bounds r{f.Width(), f.Height(), 0, 0};
  for (int y = 0; y < f.Height(); ++y) {
    const uint8_t* row = f.Data().data() + static_cast<size_t>(y) * f.Width();
    for (int x = 0; x < f.Width(); ++x) {
      if (row[x] == transparent) continue;
      r.left = std::min(r.left, x);
      r.right = std::max(r.right, x + 1);
      r.top = std::min(r.top, y);
      r.bottom = std::max(r.bottom, y + 1);
    }
  }
  return r;
}

// Sorts one colour table by use and re-indexes the frames that use it. A
// transparent index counts as used so that the frame keeps its transparency.
void SortTable(const GifImage& image, GifPalette& map, const std::vector<GifFrame*>& users) {
  if (map.empty()) return;
  std::array<uint64_t, 256> counts{};
  std::array<bool, 256> keep{};
  for (const GifFrame* f : users) {
    for (uint8_t v : f->ExpandedCopy()) ++counts[v];
    const int t = f->TransparentIndex();
    if (t >= 0 && static_cast<size_t>(t) < map.size()) keep[t] = true;
  }
  std::array<uint8_t, 256> remap{};
  GifPalette sorted = SortedByUse(map, counts, keep, remap);
  for (GifFrame* f : users) {
    for (uint8_t& v : f->Data()) v = remap[v];
    if (f->Transparent() && static_cast<size_t>(f->TransparentIndex()) < map.size())
      f->GraphicControlExtension()->TransparentColorIndex = remap[f->TransparentIndex()];
    image.Repack(*f, sorted);
  }
  map = std::move(sorted);
}

// An index frame f (indices referring to map) can give to transparency: its
// own transparent index, an index no pixel of it uses, or a new black entry:
// in a local table (its growth counts in the size comparison) or in the
// global table only within its padding, which costs no byte. -1 when there
// is none.
int PickTransparentIndex(const GifFrame& f, const GifPalette& map, bool* append) {
  *append = false;
  if (f.Transparent()) return f.TransparentIndex();
  std::array<bool, 256> used{};
  for (uint8_t v : f.Data()) used[v] = true;
  for (int i = static_cast<int>(map.size()) - 1; i >= 0; --i)
    if (!used[i]) return i;
  const bool local = !f.ColorMap().empty();
  const size_t padded = size_t{1} << ColorTableBits(map.size());
  if (map.size() < 256 && (local || map.size() < padded)) {
    *append = true;
    return static_cast<int>(map.size());
  }
  return -1;
}

// Frame f with every unchanged pixel that lies in a row run of at least
// min_run unchanged pixels set to the transparent index t. min_run 0: an
// unchanged pixel keeps its colour when the pixel before it (as written)
// has that colour, so runs of one index are not broken up.
GifFrame MergedForm(const GifFrame& f, const std::vector<bool>& unchanged, int t, int min_run,
                        bool append_entry) {
  GifFrame out(f);
  for (int y = 0; min_run == 0 && y < f.Height(); ++y) {
    const size_t row = static_cast<size_t>(y) * f.Width();
    for (int x = 0; x < f.Width(); ++x) {
      uint8_t& v = out.Data()[row + x];
      if (unchanged[row + x] && (x == 0 || out.Data()[row + x - 1] != v)) v = static_cast<uint8_t>(t);
    }
  }
  for (int y = 0; min_run > 0 && y < f.Height(); ++y) {
    const size_t row = static_cast<size_t>(y) * f.Width();
    for (int x = 0; x < f.Width();) {
      if (!unchanged[row + x]) {
        ++x;
        continue;
      }
      int end = x;
      while (end < f.Width() && unchanged[row + end]) ++end;
      if (end - x >= min_run) std::fill(out.Data().begin() + static_cast<ptrdiff_t>(row + x),
                                        out.Data().begin() + static_cast<ptrdiff_t>(row + end), static_cast<uint8_t>(t));
      x = end;
    }
  }
  if (!f.Transparent()) {
    auto* gce = out.GraphicControlExtension();
    if (!gce) gce = &out.AddExtension<GifGraphicControlExtension>();
    gce->Transparent = true;
    gce->TransparentColorIndex = static_cast<uint8_t>(t);
    out.SetMergedTransparency(true);
  }
  if (append_entry) out.ColorMap().push_back(GifColor{0, 0, 0});
  return out;
}

// The form a merged frame will have in the file: cropped to its opaque
// pixels when cropping follows (as the crop step would, which then finds
// nothing left to crop; a frame left empty keeps one transparent pixel for
// the crop step to delete or keep).
GifFrame Measured(GifFrame frame, bool crop_follows) {
  if (crop_follows && DisposalOf(frame) != dmBackground && !CropToOpaque(frame)) frame.Crop(0, 0, 1, 1);
  return frame;
}

}  // namespace

int DisposalOf(const GifFrame& f) {
  const auto* gce = f.GraphicControlExtension();
  return gce ? gce->Disposal : 0;
}

GifPalette SortedByUse(const GifPalette& map, const std::array<uint64_t, 256>& counts,
                       const std::array<bool, 256>& keep, std::array<uint8_t, 256>& remap) {
  std::vector<int> order(map.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return counts[a] > counts[b]; });
  GifPalette sorted;
  for (int old : order) {
    if (counts[old] == 0 && !keep[old]) continue;
    remap[old] = static_cast<uint8_t>(sorted.size());
    sorted.push_back(map[old]);
  }
  return sorted;
}

bool CropToOpaque(GifFrame& f) {
  const Bounds r = OpaqueBounds(f, f.TransparentIndex());
  if (r.Empty()) return false;
  if (r.left != 0 || r.top != 0 || r.right != f.Width() || r.bottom != f.Height())
    f.Crop(r.left, r.top, r.right - r.left, r.bottom - r.top);
  return true;
}

bool IsPassiveExtension(const GifExtension& ext, bool first, bool single) {
  switch (ext.Kind()) {
    case GIFExtensionKind::Comment:
    case GIFExtensionKind::PlainText:
    case GIFExtensionKind::Application:
      return true;
    case GIFExtensionKind::Loop:
      return !first || single;
    case GIFExtensionKind::GraphicControl: {
      const auto& gce = static_cast<const GifGraphicControlExtension&>(ext);
      return (gce.Delay == 0 || single) && !gce.UserInput && !gce.Transparent && (gce.Disposal < dmBackground || single);
    }
  }
  return false;
}

GifMergeResult MergeWithShown(const GifFrame& shown, const GifPalette& shown_map, const GifFrame& current,
                              const GifPalette& cur_map, size_t cur_size, bool crop_follows, int compression,
                              int lossy, bool may_grow_global) {
  GifMergeResult result;
  if (shown.Empty() || current.Empty()) return result;
  const Bounds a = FrameRect(shown), b = FrameRect(current);
  const Bounds overlap{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
  if (overlap.Empty()) return result;

  // Expanded copies: the frames given may be packed, and stay so.
  GifFrame prev(shown), cur(current);
  bool append = false;
  const int t = PickTransparentIndex(cur, cur_map, &append);
  if (t < 0) return result;
  const bool local = !cur.ColorMap().empty();
  if (append && !local && !may_grow_global) {
    result.needs_global_entry = true;
    return result;
  }
  // unchanged[k]: pixel k of the frame shows what is already on screen.
  std::vector<bool> unchanged(cur.Data().size(), false);
  const int prev_t = prev.TransparentIndex();
  const int cur_t = cur.TransparentIndex();
  bool any = false;
  for (int y = overlap.top; y < overlap.bottom; ++y) {
    for (int x = overlap.left; x < overlap.right; ++x) {
      const uint8_t p = prev.Pixel(x - prev.Left(), y - prev.Top());
      const size_t k = static_cast<size_t>(y - cur.Top()) * cur.Width() + (x - cur.Left());
      const uint8_t c = cur.Data()[k];
      if (p == prev_t || c == cur_t) continue;
      if (cur_map[c] == shown_map[p]) unchanged[k] = any = true;
    }
  }
  if (!any) return result;
  GifPalette grown;
  if (append && !local) {
    grown = cur_map;
    grown.push_back(GifColor{0, 0, 0});
  }
  const GifPalette& map = append && !local ? grown : cur_map;
  // Scattered unchanged pixels inside moving content, or unchanged pixels
  // that continue a run of their colour, cost the encoder more as
  // transparent holes than as the colour they already had; both show the
  // same. Besides the full merge, two forms that keep some unchanged
  // pixels opaque are tried, and the smallest of all is kept (as it will
  // be written: cropped when cropping follows, packed).
  // Lossy writing makes that choice itself, pixel by pixel, over what the
  // frames before show (GifScreen): the forms differ there only in their
  // crop, and the full merge, the smallest, is the only one tried. Its
  // lossy size depends on what the frames before really show, which only
  // the writer knows; the exact sizes rank a merged frame and the frame as
  // it was alike (on the benchmark video, the same file at a third of the
  // encoding time).
  const int all_forms[] = {1, 16, 0};
  size_t best_size = cur_size;
  for (int min_run : std::span(all_forms, lossy > 0 ? 1 : 3)) {
    GifFrame candidate = Measured(MergedForm(cur, unchanged, t, min_run, append && local), crop_follows);
    const GifPalette& candidate_map = local ? candidate.ColorMap() : map;
    candidate.Pack(compression, MinCodeSizeFor(candidate_map.size()));
    const size_t size = GifFrameFileSize(candidate, candidate_map, compression);
    if (size < best_size) {
      best_size = size;
      result.frame = std::move(candidate);
    }
  }
  result.grows_global = result.frame && append && !local;
  return result;
}

namespace {

class FrameOptimizer {
 public:
  FrameOptimizer(GifImage& image, int options) : image_(image), options_(options) {}

  void Run() {
    if (options_ & ooColorMap) SortColorMaps();
    if (options_ & ooCleanup) ClearUnusedTransparency();
    if (options_ & ooMerge) MergeFrames();
    if (options_ & ooCrop) CropFrames();
    if (options_ & ooCleanup) RemovePassiveExtensions();
  }

 private:
  void SortColorMaps() {
    std::vector<GifFrame*> global_users;
    for (size_t i = 0; i < image_.Count(); ++i)
      if (image_.Images(i).ColorMap().empty()) global_users.push_back(&image_.Images(i));
    SortTable(image_, image_.GlobalColorMap(), global_users);
    for (size_t i = 0; i < image_.Count(); ++i) {
      GifFrame& f = image_.Images(i);
      if (f.ColorMap().size() > 1) SortTable(image_, f.ColorMap(), {&f});
    }
  }

  void ClearUnusedTransparency() {
    for (size_t i = 0; i < image_.Count(); ++i) {
      GifFrame& f = image_.Images(i);
      const int t = f.TransparentIndex();
      if (t >= 0) {
        const std::vector<uint8_t> indices = f.ExpandedCopy();
        if (std::find(indices.begin(), indices.end(), t) == indices.end())
          f.GraphicControlExtension()->Transparent = false;
      }
    }
  }

  // Each frame after the first loses pixels that show the colour the earlier
  // frame already shows there. The comparison uses the frames as they were
  // before merging (a merged frame shows the same picture), so every frame
  // is merged on its own, on the worker threads. A merge is kept only when
  // the frame (cropped, if cropping follows) takes fewer bytes in the file
  // than before; otherwise the frame stays as it was. A frame that could only
  // merge by adding an entry to the shared global table waits for a second,
  // ordered round, since that entry changes the table for the frames after.
  void MergeFrames() {
    const size_t count = image_.Count();
    std::vector<GifFrame> before;
    std::vector<GifPalette> before_maps;
    for (size_t i = 0; i < count; ++i) {
      before.push_back(image_.Images(i));
      before_maps.push_back(image_.ActiveColorMap(i));
    }
    std::vector<GifMergeResult> results(count);
    ParallelFor(count > 0 ? count - 1 : 0, [&](size_t k) {
      results[k + 1] = MergeOne(k + 1, before, before_maps, false);
    });
    for (size_t i = 1; i < count; ++i) {
      if (results[i].needs_global_entry) {
        // The global table may have grown since: the frame's indices are the
        // same, and its map is the table as it is now.
        before_maps[i] = image_.ActiveColorMap(i);
        results[i] = MergeOne(i, before, before_maps, true);
      }
      if (results[i].frame) image_.Images(i) = std::move(*results[i].frame);
    }
  }

  GifMergeResult MergeOne(size_t i, const std::vector<GifFrame>& before,
                          const std::vector<GifPalette>& before_maps, bool may_grow_global) {
    size_t j = i - 1;
    while (j > 0 && DisposalOf(before[j]) == dmPrevious) --j;
    if (DisposalOf(before[j]) == dmBackground || DisposalOf(before[j]) == dmPrevious) return {};
    GifMergeResult result =
        MergeWithShown(before[j], before_maps[j], before[i], before_maps[i], image_.FrameFileSize(before[i], before_maps[i]),
                       (options_ & ooCrop) != 0, image_.Compression(), 0, may_grow_global);
    if (result.frame && !image_.PackFrames()) result.frame->Unpack();
    if (result.grows_global) image_.GlobalColorMap().push_back(GifColor{0, 0, 0});
    return result;
  }

  // Frames are visited from the last because empty ones are deleted. An
  // empty frame goes only where that leaves the pictures and their timing
  // unchanged: not the first frame (it may carry the loop) and not after a
  // frame that is disposed of (deleting would show that frame longer instead
  // of its disposed state); otherwise it shrinks to one transparent pixel.
  void CropFrames() {
    for (size_t k = image_.Count(); k-- > 0;) {
      GifFrame& f = image_.Images(k);
      // Disposal 2 clears the frame's whole rectangle afterwards, transparent
      // borders included: a smaller frame would clear less.
      if (!f.Transparent() || DisposalOf(f) == dmBackground) continue;
      if (CropToOpaque(f)) {
        image_.Repack(k);
        continue;
      }
      if (k > 0 && DisposalOf(image_.Images(k - 1)) < dmBackground) {
        GifFrame& prev = image_.Images(k - 1);
        auto* prev_gce = prev.GraphicControlExtension();
        if (!prev_gce) prev_gce = &prev.AddExtension<GifGraphicControlExtension>();
        const unsigned delay = prev_gce->Delay + f.GraphicControlExtension()->Delay;
        prev_gce->Delay = static_cast<uint16_t>(std::min(delay, 0xFFFFu));
        image_.Delete(k);
        continue;
      }
      f.Crop(0, 0, 1, 1);
      image_.Repack(k);
    }
  }

  void RemovePassiveExtensions() {
    const bool single = image_.Count() == 1;
    for (size_t i = 0; i < image_.Count(); ++i) {
      GifFrame& f = image_.Images(i);
      for (size_t e = f.Extensions().size(); e-- > 0;)
        if (IsPassiveExtension(*f.Extensions()[e], i == 0, single)) f.RemoveExtension(e);
    }
  }

  GifImage& image_;
  int options_;
};

}  // namespace

void GifImage::Optimize(int options, int /*reduction*/, int /*dither*/, int /*bits*/) {
  options &= ooCrop | ooMerge | ooCleanup | ooColorMap;
  if (options == 0 || frames_.empty()) return;
  // The file must not grow: when the steps together make it larger (a sort
  // that costs the encoder more than it saves, say), the image goes back to
  // what it was.
  const GifImage original(*this);
  size_t size_before = 0;
  bool measurable = true;
  try {
    size_before = FileSize();
  } catch (const GIFException&) {
    measurable = false;
  }
  FrameOptimizer(*this, options).Run();
  if (measurable && FileSize() > size_before) *this = original;
}

}  // namespace kt58
