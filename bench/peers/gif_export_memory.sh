#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory (max RSS) and wall time of exporting a long animation: 1000
# frames of four 640x480 picture layers (rotating, see-through, rolling,
# fading), with the command line's defaults (global palette, merge, crop,
# remove passive, LZW) and with a palette per frame and no optimisation.
# The export keeps no frame once it is written, so the peak must not grow
# with the frame count; the 250-frame figures show that.
#
# Usage: bench/peers/gif_export_memory.sh [bench build folder]
#   KT58_BASELINE=/path/to/older/kt58 adds that build's figures and checks
#   that ours writes the same bytes.
set -euo pipefail
build=${1:-build-bench}
kt58=$(cd "$build" && pwd)/kt58
[ -x "$kt58" ] || { echo "gif_export_memory: no $kt58, skipped"; exit 0; }
for tool in ffmpeg /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "gif_export_memory: $tool not found, skipped"; exit 0; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export KT58_HOME="$work/home"
mkdir -p "$KT58_HOME"

# Four 640x480 24-bit pictures of varied content.
i=0
for source in mandelbrot testsrc2 testsrc rgbtestsrc; do
  ffmpeg -nostdin -loglevel error -f lavfi -i "$source=size=640x480" -frames:v 1 -pix_fmt bgr24 "l$i.bmp"
  i=$((i + 1))
done
for frames in 250 1000; do
  "$kt58" new "p$frames.apf" --frames "$frames" --size 640x480 --layer l0.bmp --layer l1.bmp --x 20 --rotate 30 \
    --transparency 50 --layer l2.bmp --pixel-rotate left --transparency 60 --layer l3.bmp --fade pulse --y 30 \
    >/dev/null
done

# measure <label> <kt58> <frames> <out> <options...>
measure() {
  local label=$1 tool=$2 frames=$3 out=$4 kb secs
  shift 4
  /usr/bin/time -f '%M %e' -o mem.txt "$tool" export-gif "p$frames.apf" "$out" "$@" >/dev/null || return 1
  read -r kb secs <mem.txt
  printf '%-44s %5d frames: peak %5d MB, %7.2f s, %10d bytes\n' "$label" "$frames" $((kb / 1024)) "$secs" \
    "$(stat -c %s "$out")"
}
for mode in "defaults|" "per-frame palette, no optimisation|--palette optimized --optimize none"; do
  IFS='|' read -r label opts <<<"$mode"
  for frames in 250 1000; do
    # shellcheck disable=SC2086
    measure "kt58, $label" "$kt58" "$frames" "ours_$frames.gif" $opts
    if [ -n "${KT58_BASELINE:-}" ]; then
      # An older build may not know an option (or have other defaults): its
      # row is then left out, and the run goes on.
      # shellcheck disable=SC2086
      if measure "baseline, $label" "$KT58_BASELINE" "$frames" "base_$frames.gif" $opts 2>/dev/null; then
        if cmp -s "base_$frames.gif" "ours_$frames.gif"; then echo "  same bytes as the baseline"
        else echo "  the baseline wrote other bytes (its defaults may differ)"; fi
      else
        echo "  the baseline cannot export with \"$opts\": its row is left out"
      fi
    fi
  done
done
