#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Wall time of our AVI import (decode, convert, write the frame store) next to
# ffmpeg decoding the same file to BGR24 and throwing it away, on a 100-frame
# 640x480 MJPEG AVI. Medians of several runs, measured in the same session;
# the import should take at most 1.5 times ffmpeg's time.
#
# Usage: bench/peers/avi_import.sh [build folder configured with -DKT58_BENCH=ON]
set -euo pipefail

build=${1:-build}
bench="$build/bench/avi_import_bench"
[ -x "$bench" ] || { echo "no $bench: configure with -DKT58_BENCH=ON and build avi_import_bench" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "the ffmpeg tool is needed" >&2; exit 1; }
runs=${RUNS:-7}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
avi="$work/mjpeg-640x480-100.avi"
ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=4 \
  -c:v mjpeg -pix_fmt yuvj420p -q:v 3 "$avi"

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

ours_ms=$(KT58_AVI_BENCH_FILE="$avi" "$bench" --benchmark_repetitions="$runs" --benchmark_min_time=0 \
  --benchmark_format=json 2>/dev/null |
  /usr/bin/python3 -c 'import json,sys; print(next(b["real_time"] for b in json.load(sys.stdin)["benchmarks"] if b.get("aggregate_name")=="median"))')

ffmpeg_ms=$(for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  ffmpeg -nostdin -loglevel error -i "$avi" -f rawvideo -pix_fmt bgr24 -y /dev/null
  echo $(( ($(date +%s%N) - start) / 1000 ))
done | median | awk '{printf "%.1f", $1 / 1000}')

ratio=$(awk -v a="$ours_ms" -v b="$ffmpeg_ms" 'BEGIN {printf "%.2f", a / b}')
printf 'ours (ImportAvi into a store):          %8.1f ms\n' "$ours_ms"
printf 'ffmpeg -f rawvideo -pix_fmt bgr24:     %8.1f ms\n' "$ffmpeg_ms"
printf 'ratio ours / ffmpeg: %s (target <= 1.5)\n' "$ratio"
