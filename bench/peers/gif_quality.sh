#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Quality and speed of our GIF colour reduction next to ImageMagick's on the
# benchmark's frames (640x480, tens of thousands of colours): mean PSNR (dB)
# of each reduction against the original, measured for both by ImageMagick's
# `compare -metric PSNR`, and ImageMagick's time per frame.
#
# Usage: bench/peers/gif_quality.sh [build folder configured with -DKT58_BENCH=ON]
set -euo pipefail

build=${1:-build}
bench="$build/bench/gif_reduce_bench"
[ -x "$bench" ] || { echo "no $bench: configure with -DKT58_BENCH=ON and build gif_reduce_bench" >&2; exit 1; }
command -v convert >/dev/null && command -v compare >/dev/null || { echo "ImageMagick (convert, compare) is needed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== ours (ReduceColors, code 7, 8 bits): time per frame and PSNR over all pixels"
KT58_BENCH_FRAMES_DIR="$work" "$bench" --benchmark_filter='reduction:7' 2>/dev/null | grep BM_

# compare writes the metric to stderr and exits 1 when the pictures differ.
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 >/dev/null || true; }

mean_psnr() {  # pattern of reduced files (with NN for the frame number)
  local sum=0 n=0 v
  for frame in "$work"/frame_*.bmp; do
    local nn=${frame##*frame_}; nn=${nn%.bmp}
    v=$(psnr "$frame" "${1//NN/$nn}")
    sum=$(echo "$sum + $v" | bc -l); n=$((n + 1))
  done
  printf '%.2f' "$(echo "$sum / $n" | bc -l)"
}

echo "== mean PSNR (dB) by ImageMagick compare"
echo "ours, nearest (dither 0):          $(mean_psnr "$work/ours_d0_NN.bmp")"
echo "ours, Floyd-Steinberg (dither 1):  $(mean_psnr "$work/ours_d1_NN.bmp")"

for mode in plain fs; do
  if [ $mode = plain ]; then opts=(+dither -colors 256); else opts=(-dither FloydSteinberg -colors 256); fi
  start=$(date +%s.%N)
  for frame in "$work"/frame_*.bmp; do
    nn=${frame##*frame_}; nn=${nn%.bmp}
    convert "$frame" "${opts[@]}" "$work/im_${mode}_$nn.gif"
  done
  end=$(date +%s.%N)
  n=$(ls "$work"/frame_*.bmp | wc -l)
  ms=$(echo "($end - $start) * 1000 / $n" | bc -l)
  printf 'ImageMagick %-36s %s dB, %.0f ms per frame (whole convert run, GIF written)\n' \
    "${opts[*]}:" "$(mean_psnr "$work/im_${mode}_NN.gif")" "$ms"
done
