#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Full-HD project of four layers, exported as a bitmap sequence on one core
# next to an ffmpeg filter graph that composes the same four layers into the
# same BMP files: a photo-like 1920x1080 background, a 1080p MJPEG video at
# 50% transparency, a rotating picture and a fading one. Wall time per frame
# of each, in one run; the targets are at most 15 ms a frame and at most half
# of ffmpeg's time. Then the same export with glibc's malloc thresholds
# raised, which should no longer matter, and into memory (/dev/shm), which
# shows what the disk adds. Then on every core: the bitmap sequence on one
# thread and on all, and the MP4 export next to ffmpeg encoding the same
# composed frames from a raw file with the writer's settings (target: at
# most 1.15 times ffmpeg's time). With KT58_GUI_BENCH_DIR (the desktop app's
# benchmarks, as `make bench` builds them), the app then plays the project
# on one core (target: at least 100 frames a second).
#
# Usage: bench/peers/hd_export.sh [bench build folder]
#   KT58_HD_FRAMES=N sets the frame count (60).
set -euo pipefail
build=${1:-build-bench}
kt58=$(cd "$build" && pwd)/kt58
[ -x "$kt58" ] || { echo "hd_export: no $kt58, skipped"; exit 0; }
command -v ffmpeg >/dev/null || { echo "hd_export: ffmpeg not found, skipped"; exit 0; }
frames=${KT58_HD_FRAMES:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KT58_HOME="$work/home"
mkdir -p "$KT58_HOME"
cd "$work"

ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
ff -f lavfi -i "gradients=s=1920x1080:c0=0x304070:c1=0xd0a060:x0=0:y0=0:x1=1920:y1=1080,noise=alls=12:allf=u" \
  -frames:v 1 -pix_fmt bgr24 bg.bmp
ff -f lavfi -i "testsrc2=size=1920x1080:rate=25" -frames:v "$frames" -c:v mjpeg -pix_fmt yuvj420p -q:v 3 video.avi
ff -f lavfi -i "mandelbrot=s=480x480" -frames:v 1 -pix_fmt bgr24 spin.bmp
ff -f lavfi -i "cellauto=s=400x300:rule=110,scale=400:300" -frames:v 1 -pix_fmt bgr24 fade.bmp

"$kt58" new hd.apf --quiet --frames "$frames" --size 1920x1080 --layer bg.bmp \
  --layer video.avi --blend normal --transparency 50 \
  --layer spin.bmp --x 700 --y 300 --rotate 360 \
  --layer fade.bmp --x 1400 --y 700 --fade smooth

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
per_frame() {  # label, command...
  rm -rf out && mkdir out
  sync
  local start end
  start=$(now_ms)
  taskset -c 0 "${@:2}" >/dev/null
  end=$(now_ms)
  local n
  n=$(find out -name '*.[Bb]mp' | wc -l)
  awk -v l="$1" -v t=$((end - start)) -v n="$n" 'BEGIN {printf "%-52s %7.1f ms a frame (%d files)\n", l, t / n, n}'
  echo $(( (end - start) * 1000 / n )) >last_us
}

# Three runs each, taken in turns, so that the disk's writeback from one run
# lands on both kinds alike; the medians count.
tuned=glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=1073741824
: >plain_us
: >tuned_us
for _ in 1 2 3; do
  per_frame "kt58 export-bmp" "$kt58" export-bmp hd.apf out --quiet
  cat last_us >>plain_us
  GLIBC_TUNABLES=$tuned per_frame "kt58 export-bmp, malloc thresholds raised" "$kt58" export-bmp hd.apf out --quiet
  cat last_us >>tuned_us
done
ours=$(sort -n plain_us | sed -n 2p)
awk -v a="$ours" -v b="$(sort -n tuned_us | sed -n 2p)" \
  'BEGIN {printf "medians: %.1f ms a frame, %.1f ms with malloc thresholds raised\n", a / 1000, b / 1000}'
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/kt58-hd.XXXXXX)
  rm -rf out && ln -s "$shm" out
  start=$(now_ms)
  taskset -c 0 "$kt58" export-bmp hd.apf out/ --quiet
  end=$(now_ms)
  awk -v t=$((end - start)) -v n="$frames" 'BEGIN {printf "%-52s %7.1f ms a frame\n", "kt58 export-bmp into /dev/shm", t / n}'
  rm -rf "$shm" out
fi
T=$(awk -v f="$frames" 'BEGIN {print f / 25}')
per_frame "ffmpeg filter graph, one thread" ffmpeg -nostdin -loglevel error -y -threads 1 -filter_threads 1 \
  -filter_complex_threads 1 -loop 1 -framerate 25 -i bg.bmp -i video.avi -loop 1 -framerate 25 -i spin.bmp \
  -loop 1 -framerate 25 -i fade.bmp -filter_complex \
  "[1:v]format=gbrap,colorchannelmixer=aa=0.5[v];[0:v][v]overlay=format=gbrp[a];\
[2:v]format=gbrap,rotate=a=2*PI*t/$T:c=none[s];[a][s]overlay=x=700:y=300:format=gbrp[b];\
[3:v]format=gbrap,fade=t=out:st=0:d=$T:alpha=1[f];[b][f]overlay=x=1400:y=700:format=gbrp,format=bgr24[o]" \
  -map "[o]" -frames:v "$frames" out/%03d.bmp
theirs=$(cat last_us)
awk -v a="$ours" -v b="$theirs" 'BEGIN {printf "ratio ours / ffmpeg: %.2f (target <= 0.5)\n", a / b}'

# Every core from here on.
timed() {  # label, command...: wall time per frame, kept in last_ms
  local start end
  start=$(now_ms)
  "${@:2}" >/dev/null
  end=$(now_ms)
  echo $((end - start)) >last_ms
  awk -v l="$1" -v t=$((end - start)) -v n="$frames" 'BEGIN {printf "%-52s %7.1f ms a frame\n", l, t / n}'
}
cores=$(nproc)
rm -rf out && mkdir out
timed "kt58 export-bmp, 1 thread" "$kt58" export-bmp hd.apf out --quiet --threads 1
one=$(cat last_ms)
rm -rf out && mkdir out
timed "kt58 export-bmp, $cores threads" "$kt58" export-bmp hd.apf out --quiet
awk -v a="$one" -v b="$(cat last_ms)" -v c="$cores" 'BEGIN {printf "speed-up on %d cores: %.2f\n", c, a / b}'

# The MP4 writer's settings: libx264 at crf 20 (quality 75) with its own
# threads and preset, 4:2:0 converted bicubic with accurate rounding; 25
# frames a second. ffmpeg reads the frames kt58 composed, top row first.
ff -framerate 25 -i out/%03d.Bmp -f rawvideo -pix_fmt bgr24 frames.raw
rm -rf out
timed "kt58 export-video MP4" "$kt58" export-video hd.apf ours.mp4 --quiet --delay 40
ours=$(cat last_ms)
timed "ffmpeg libx264 from the composed frames (raw)" ffmpeg -nostdin -loglevel error -y -f rawvideo \
  -pix_fmt bgr24 -video_size 1920x1080 -framerate 25 -i frames.raw -sws_flags bicubic+accurate_rnd \
  -c:v libx264 -crf 20 -pix_fmt yuv420p theirs.mp4
theirs=$(cat last_ms)
rm -f frames.raw
awk -v a="$ours" -v b="$theirs" -v x="$(stat -c %s ours.mp4)" -v y="$(stat -c %s theirs.mp4)" \
  'BEGIN {printf "ratio export-video / ffmpeg: %.2f (target <= 1.15); files %d and %d bytes\n", a / b, x, y}'

playback=${KT58_GUI_BENCH_DIR:-}/playback_bench
if [ -x "$playback" ]; then
  QT_QPA_PLATFORM=offscreen taskset -c 0 "$playback" hd.apf 300 2>/dev/null
fi
