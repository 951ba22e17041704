#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# ImageMagick's side of the GIF export benchmark: compose the project's four
# layers for every frame with `convert` (the base layer rolled left by its
# per-frame shift, the other three drawn at their offsets), then build one
# looping GIF with 256 optimised colours and no dithering, as our export
# does with palette "optimized-windows" and dither "nearest".
#
# Usage: export_gif_imagemagick.sh <folder with base.bmp l1.bmp l2.bmp l3.bmp> <frames> <out.gif>
# The layer offsets and the shift rule must match bench/export_bench.cpp.
set -euo pipefail
dir=$1; frames=$2; out=$3
command -v convert >/dev/null || { echo "ImageMagick convert is needed" >&2; exit 1; }
width=$(identify -format '%w' "$dir/base.bmp")
for ((i = 0; i < frames; i++)); do
  shift_px=$(( (i * width + frames / 2) / frames ))
  convert "$dir/base.bmp" -roll "-${shift_px}+0" \
    "$dir/l1.bmp" -geometry +40+30 -composite \
    "$dir/l2.bmp" -geometry +300+200 -composite \
    "$dir/l3.bmp" -geometry +500+60 -composite \
    "$dir/frame_$(printf '%03d' "$i").bmp"
done
convert -delay 10 -loop 0 "$dir"/frame_*.bmp +dither -colors 256 "$out"
rm -f "$dir"/frame_*.bmp
