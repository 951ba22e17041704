#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Long clips and large projects, wall times side by side with ffmpeg in one
# run:
#   - importing a 1000-frame 640x480 MJPEG AVI into a new project
#     (`kt58 new p.apf --layer clip.avi`: the frames decoded, stored and the
#     project saved) next to ffmpeg decoding the same clip to a raw BGR24 AVI
#     on disk (target: at most 1.3 times ffmpeg's time), and the bytes each
#     writes;
#   - a 3000-frame 640x480 clip (a store of 2.7 GB, past the 2 GiB of 32-bit
#     offsets): imported, opened by `kt58 info` (target: at most 0.1 s, the
#     frames read where they lie in the project file) and exported (the
#     animation's last 100 frames to AVI, checked by ffprobe).
#
# Usage: bench/peers/large_store.sh [bench build folder]
#   KT58_LARGE_STORE_FRAMES=N sets the long clip's frame count (3000).
set -euo pipefail
build=${1:-build-bench}
kt58=$(cd "$build" && pwd)/kt58
[ -x "$kt58" ] || { echo "large_store: no $kt58, skipped"; exit 0; }
command -v ffmpeg >/dev/null || { echo "large_store: ffmpeg not found, skipped"; exit 0; }
long=${KT58_LARGE_STORE_FRAMES:-3000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KT58_HOME="$work/home"
mkdir -p "$KT58_HOME"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
timed() {  # label, command...: prints the wall time in ms
  local start end
  start=$(now_ms)
  "${@:2}" >/dev/null
  end=$(now_ms)
  printf '%-58s %8d ms\n' "$1" $((end - start))
  echo $((end - start)) >"$work/last_ms"
}

clip() {  # frames, file
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc2=size=640x480:rate=25" -frames:v "$1" \
    -c:v mjpeg -pix_fmt yuvj420p -q:v 3 "$2"
}

echo "== 1000 frames of 640x480 MJPEG (medians of 5, taken in turns)"
clip 1000 "$work/clip1000.avi"
median() { sort -n | sed -n 3p; }
: >"$work/ffmpeg_ms"
: >"$work/ffmpeg_sync_ms"
: >"$work/ours_ms"
# Each run starts with nothing left to write and removes its output after
# a sync, so no run pays for another's writeback or deletion. Our project is
# on the disk when the command ends (it is flushed before it takes its
# name); ffmpeg leaves its file to the kernel, so it is also timed with a
# sync of its file, the same promise.
for _ in 1 2 3 4 5; do
  sync
  timed "ffmpeg -i clip.avi -c:v rawvideo -pix_fmt bgr24 raw.avi" \
    ffmpeg -nostdin -loglevel error -y -i "$work/clip1000.avi" -c:v rawvideo -pix_fmt bgr24 "$work/raw.avi"
  cat "$work/last_ms" >>"$work/ffmpeg_ms"
  rm -f "$work/raw.avi"
  sync
  timed "ffmpeg ... raw.avi, then sync raw.avi" bash -c 'ffmpeg -nostdin -loglevel error -y -i "$1" \
    -c:v rawvideo -pix_fmt bgr24 "$2" && sync "$2"' _ "$work/clip1000.avi" "$work/raw.avi"
  cat "$work/last_ms" >>"$work/ffmpeg_sync_ms"
  rm -f "$work/raw.avi"
  sync
  timed "kt58 new p.apf --layer clip.avi" "$kt58" new "$work/p1000.apf" --quiet --layer "$work/clip1000.avi"
  cat "$work/last_ms" >>"$work/ours_ms"
  size=$(stat -c %s "$work/p1000.apf")
  rm -f "$work/p1000.apf"
  sync
done
ffmpeg_ms=$(median <"$work/ffmpeg_ms")
ffmpeg_sync_ms=$(median <"$work/ffmpeg_sync_ms")
ours_ms=$(median <"$work/ours_ms")
awk -v a="$ours_ms" -v b="$ffmpeg_ms" -v c="$ffmpeg_sync_ms" 'BEGIN {
  printf "medians: kt58 %d ms, ffmpeg %d ms, ffmpeg and sync %d ms\n", a, b, c
  printf "ratio ours / ffmpeg: %.2f (target <= 1.3); ours / ffmpeg and sync: %.2f\n", a / b, a / c }'
printf '%-58s %8d MB\n' "project size" $((size / 1000000))

echo "== $long frames of 640x480 MJPEG"
clip "$long" "$work/long.avi"
timed "kt58 new long.apf --frames 999 --layer long.avi" "$kt58" new "$work/long.apf" --quiet --frames 999 --layer "$work/long.avi"
printf '%-58s %8d MB\n' "project size" $(( $(stat -c %s "$work/long.apf") / 1000000 ))
for run in 1 2 3; do timed "kt58 info long.apf (run $run)" "$kt58" info "$work/long.apf"; done
frames=$("$kt58" info --json "$work/long.apf" | /usr/bin/python3 -c 'import json,sys; print(json.load(sys.stdin)["frames"])')
first=$((frames - 100))
timed "kt58 export-avi long.apf --frames $first-" "$kt58" export-avi "$work/long.apf" "$work/tail.avi" --quiet \
  --frames "$first-"
echo "frames in tail.avi: $(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
  -of csv=p=0 "$work/tail.avi")"
