#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The 100-frame 640x480 animation of gif_encode_bench, written by us with the
# single colour map and every frame optimisation, against ImageMagick's
# "convert ... +dither -colors 256" output squeezed by "gifsicle -O3".
# Usage: bench/peers/gif_size.sh [bench build folder]
# (KT58_GIF_BENCH_DRIFT=1: the background drifts too; see the benchmark.)
set -euo pipefail
build=${1:-build-bench}
out=${KT58_GIF_BENCH_OUT:-/tmp/kt58_gif_bench}
rm -f "$out"/frame_*.ppm
export KT58_GIF_BENCH_OUT=$out
"$build/bench/gif_encode_bench" --benchmark_filter=BM_OptimizedAnimation >/dev/null 2>&1
for tool in convert gifsicle; do
  command -v "$tool" >/dev/null || { echo "gif_size: $tool not found, peer comparison skipped"; exit 0; }
done
convert -delay 10 -loop 0 "$out"/frame_*.ppm +dither -colors 256 "$out/magick.gif"
gifsicle -O3 "$out/magick.gif" -o "$out/magick_O3.gif"
size() { stat -c %s "$1"; }
printf '%-44s %10s\n' "file" "bytes"
printf '%-44s %10d\n' "kt58 LZW, single map + all optimisations" "$(size "$out/ours_lzw.gif")"
printf '%-44s %10d\n' "kt58 run-length, same" "$(size "$out/ours_rle.gif")"
printf '%-44s %10d\n' "convert +dither -colors 256" "$(size "$out/magick.gif")"
printf '%-44s %10d\n' "  then gifsicle -O3" "$(size "$out/magick_O3.gif")"
