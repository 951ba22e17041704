#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The animated GIF export side by side with ffmpeg (two-pass palettegen and
# paletteuse, without and with its default dither), gifsicle, ImageMagick
# and, when `npm pack gifski` can fetch its Linux binary, gifski: wall time,
# file size and mean PSNR (decoded GIF frame against the source frame, RGB,
# every frame, by bench/peers/gif_psnr.py with Pillow), all in one run on the
# same 100 frames of 640x480 video: a still, detailed background with two
# moving layers, imported with `kt58 new --layer video.avi`, 40 ms a frame.
# The peak memory of a long export is gif_export_memory.sh's.
# Lossy rows: ours with --lossy N against gifsicle -O3 --lossy=N applied to
# our exact GIF of the same frames (the defaults row's file; its time is
# gifsicle's alone), and gifsicle on ffmpeg's GIF, at the levels in
# KT58_LOSSY_LEVELS ("40 80 100").
#
# Usage: bench/peers/gif_export.sh [bench build folder]
#   KT58_BASELINE=/path/to/older/kt58 adds that build's per-frame palette row
#   and checks that ours writes the same bytes.
set -euo pipefail
build=${1:-build-bench}
root=$(cd "$(dirname "$0")/../.." && pwd)
kt58=$(cd "$build" && pwd)/kt58
[ -x "$kt58" ] || { echo "gif_export: no $kt58, skipped"; exit 0; }
for tool in ffmpeg /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "gif_export: $tool not found, skipped"; exit 0; }
done
/usr/bin/python3 -c 'import PIL' 2>/dev/null || { echo "gif_export: Pillow not found, skipped"; exit 0; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export KT58_HOME="$work/home"
mkdir -p "$KT58_HOME" frames png stored

# The source video: a mandelbrot still, a test pattern sliding across and a
# zooming mandelbrot moving down and up over it.
ffmpeg -nostdin -loglevel error -f lavfi -i mandelbrot=size=640x480 -frames:v 1 bg.png
ffmpeg -nostdin -loglevel error -loop 1 -framerate 25 -i bg.png \
  -f lavfi -i testsrc2=size=200x150:rate=25 -f lavfi -i mandelbrot=size=160x160:rate=25 \
  -filter_complex "[0][1]overlay=x='20+t*100':y=60[a];[a][2]overlay=x=440:y='40+60*t'" \
  -frames:v 100 -c:v rawvideo -pix_fmt bgr24 video.avi
"$kt58" new video.apf --frames 100 --layer video.avi >/dev/null
"$kt58" export-bmp video.apf stored --pattern 'f###' >/dev/null
# Every writer gets the same 100 pictures: the frames as the project composes
# them.
for ((i = 0; i < 100; i++)); do
  n=$(printf %03d $i)
  cp "stored/f$n.Bmp" "frames/f$n.bmp"
  ffmpeg -nostdin -loglevel error -i "frames/f$n.bmp" "png/f$n.png"
done
sources=(frames/*.bmp)
frames_in=(-framerate 25 -i frames/f%03d.bmp)

rows=()
# "wall cpu" seconds of a command (cpu: user + system of everything it ran).
seconds() {
  local TIMEFORMAT='%R %U %S' t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.2f %.2f", $1, $2 + $3 }' <<<"$t"
}
plus() { awk '{ printf "%.2f %.2f", $1 + $3, $2 + $4 }' <<<"$1 $2"; }
# row <label> <output gif> <"wall cpu">
row() { rows+=("$1|$2|$3"); }

row "kt58, defaults (global palette, merge, crop, passive)" ours_default.gif \
  "$(seconds "$kt58" export-gif video.apf ours_default.gif --delay 40)"
row "kt58, global palette, Floyd-Steinberg" ours_global_fs.gif \
  "$(seconds "$kt58" export-gif video.apf ours_global_fs.gif --delay 40 --dither floyd-steinberg)"
row "kt58, global palette, Sierra" ours_global_sierra.gif \
  "$(seconds "$kt58" export-gif video.apf ours_global_sierra.gif --delay 40 --dither sierra)"
row "kt58, global palette, LZW, no optimisation" ours_global_plain.gif \
  "$(seconds "$kt58" export-gif video.apf ours_global_plain.gif --delay 40 --optimize none)"
# The export window's way: an optimised palette per frame of 256 colours,
# nearest colour, no optimisation, run-length encoder. The baseline row
# gives the same settings: palette, colours and dither by name, and its
# build wrote every GIF with the run-length encoder and no optimisation
# unless asked (it knows neither --compression nor "--optimize none").
perframe=(--delay 40 --palette optimized --colors 256 --dither nearest)
row "kt58, per-frame optimised palette, nearest, run-length" ours_perframe.gif \
  "$(seconds "$kt58" export-gif video.apf ours_perframe.gif "${perframe[@]}" --optimize none --compression rle)"
if [ -n "${KT58_BASELINE:-}" ] && [ -x "$KT58_BASELINE" ]; then
  row "  the same, before (KT58_BASELINE)" base_perframe.gif \
    "$(seconds "$KT58_BASELINE" export-gif video.apf base_perframe.gif "${perframe[@]}")"
fi

ffmpeg_two_pass() {  # <paletteuse options> <out>
  ffmpeg -nostdin -loglevel error -y "${frames_in[@]}" -vf palettegen pal.png &&
    ffmpeg -nostdin -loglevel error -y "${frames_in[@]}" -i pal.png -lavfi "paletteuse$1" "$2"
}
row "ffmpeg two-pass, no dither" ff_none.gif "$(seconds ffmpeg_two_pass =dither=none ff_none.gif)"
row "ffmpeg two-pass, its default dither" ff_default.gif "$(seconds ffmpeg_two_pass '' ff_default.gif)"
if command -v gifsicle >/dev/null; then
  row "  ffmpeg no dither, then gifsicle -O3 (time of both)" ff_gifsicle.gif \
    "$(plus "$(seconds ffmpeg_two_pass =dither=none ff_tmp.gif)" "$(seconds gifsicle -O3 ff_tmp.gif -o ff_gifsicle.gif)")"
fi
for n in ${KT58_LOSSY_LEVELS:-40 80 100}; do
  row "kt58, defaults, --lossy $n" "ours_lossy$n.gif" \
    "$(seconds "$kt58" export-gif video.apf "ours_lossy$n.gif" --delay 40 --lossy "$n")"
  if command -v gifsicle >/dev/null; then
    row "  gifsicle -O3 --lossy=$n on kt58's defaults GIF" "ours_gifsicle$n.gif" \
      "$(seconds gifsicle -O3 --lossy="$n" ours_default.gif -o "ours_gifsicle$n.gif")"
    [ -f ff_tmp.gif ] && row "  gifsicle -O3 --lossy=$n on ffmpeg's no-dither GIF" "ff_gifsicle$n.gif" \
      "$(seconds gifsicle -O3 --lossy="$n" ff_tmp.gif -o "ff_gifsicle$n.gif")"
  fi
done
if command -v convert >/dev/null; then
  row "ImageMagick +dither -colors 256 -layers Optimize" im.gif \
    "$(seconds convert -delay 4 -loop 0 "${sources[@]}" +dither -colors 256 -layers Optimize im.gif)"
  if command -v gifsicle >/dev/null; then
    row "  then gifsicle -O3 (time of both)" im_gifsicle.gif \
      "$(plus "$(seconds convert -delay 4 -loop 0 "${sources[@]}" +dither -colors 256 im_tmp.gif)" \
              "$(seconds gifsicle -O3 im_tmp.gif -o im_gifsicle.gif)")"
  fi
fi
gifski=""
if command -v npm >/dev/null && mkdir -p gifski && (cd gifski && timeout 120 npm pack gifski >/dev/null 2>&1); then
  tar -xzf gifski/gifski-*.tgz -C gifski 2>/dev/null || true
  [ -x gifski/package/bin/debian/gifski ] && gifski/package/bin/debian/gifski --version >/dev/null 2>&1 &&
    gifski=gifski/package/bin/debian/gifski
fi
if [ -n "$gifski" ]; then
  row "gifski --fast" gifski_fast.gif "$(seconds "$gifski" --fast --fps 25 -o gifski_fast.gif png/*.png)"
  row "gifski" gifski.gif "$(seconds "$gifski" --fps 25 -o gifski.gif png/*.png)"
else
  echo "gifski: npm pack gifski gave no usable binary, its rows are skipped"
fi

gifs=()
for r in "${rows[@]}"; do IFS='|' read -r _ g _ <<<"$r"; gifs+=("$g"); done
declare -A psnr
while read -r g v; do psnr[$g]=$v; done < <(/usr/bin/python3 "$root/bench/peers/gif_psnr.py" 40 "${sources[@]}" -- "${gifs[@]}")
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-56s %8s %8s %12s %8s\n' "what (100 frames 640x480, $(nproc) cores)" "wall s" "cpu s" "bytes" "PSNR dB"
for r in "${rows[@]}"; do
  IFS='|' read -r label g t <<<"$r"
  read -r wall cpu <<<"$t"
  printf '%-56s %8.2f %8.2f %12d %8s\n' "$label" "$wall" "$cpu" "$(stat -c %s "$g")" "${psnr[$g]}"
done
if [ -f base_perframe.gif ]; then
  if cmp -s base_perframe.gif ours_perframe.gif; then echo "per-frame palette: same bytes as the baseline"
  else echo "per-frame palette: bytes differ from the baseline"; fi
fi
