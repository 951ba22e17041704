#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Exports the same projects with two builds of the kt58 tool and compares
# every output byte by byte: a change that must not alter what users get is
# checked against the build before it.
#
#   compare-exports.sh OLD_KT58 NEW_KT58 [SAMPLE_PROJECT.apf]
#
# The projects are made with NEW_KT58 `new` from AVI clips (ffmpeg) and
# animated GIFs (ImageMagick `convert`): video and animated-GIF layers
# together, one store read by two layers, a store shorter and one longer
# than the animation; plus the sample project (build/Projects/Dovrenkal.apf
# beside NEW_KT58 unless given). Exit status 0 only when every file is equal.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 OLD_KT58 NEW_KT58 [SAMPLE_PROJECT.apf]" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
sample=${3:-$(dirname "$new")/Projects/Dovrenkal.apf}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
src=$work/sources
mkdir -p "$src" "$work/projects"

# ---- sources ----------------------------------------------------------------
clip() {  # name frames size pattern
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "$4=size=$3:rate=10" -frames:v "$2" \
    -c:v rawvideo -pix_fmt bgr24 "$src/$1.avi"
}
clip short 7 48x36 testsrc2      # fewer frames than any animation below
clip long 40 40x30 testsrc       # more frames than any animation below
animated_gif() {  # name frames size
  local frames=() i
  for ((i = 0; i < $2; i++)); do
    frames+=(\( -size "$3" "xc:rgb($((40 * i % 256)),$((90 + 30 * i % 166)),$((200 - 25 * i % 200)))"
      -fill white -draw "rectangle $((2 * i)),1 $((2 * i + 5)),6" \))
  done
  convert -delay 10 "${frames[@]}" -loop 0 "$src/$1.gif"
}
animated_gif spin 5 24x18
animated_gif blink 3 16x16
convert -size 20x14 gradient:red-blue "$src/still.bmp"

# ---- projects -----------------------------------------------------------------
projects=()
make_project() {  # name, then `kt58 new` arguments
  local name=$1
  shift
  "$new" new "$work/projects/$name.apf" "$@" >/dev/null
  projects+=("$work/projects/$name.apf")
}
make_project video-and-gif --frames 12 --size 80x60 --background 203040 \
  --layer "$src/long.avi" \
  --layer "$src/spin.gif" --x 30 --y 20 --key auto \
  --layer "$src/still.bmp" --x 50 --y 40 --blend normal --transparency 40
make_project shared-store --frames 16 --size 72x54 --background 102030 \
  --layer "$src/short.avi" \
  --layer "$src/short.avi" --x 24 --y 18 --rotate 90 --anti-alias \
  --layer "$src/blink.gif" --x 4 --y 30 --tint FF8000 \
  --layer "$src/blink.gif" --x 50 --y 30 --mirror --fade pulse
make_project short-and-long --frames 20 --size 64x48 --background 000000 \
  --layer "$src/short.avi" --blend hgradient --transparency 10 --alt-transparency 80 \
  --layer "$src/long.avi" --x 20 --y 14 --pixel-rotate left --bevel 2 \
  --layer "$src/spin.gif" --x 8 --y 8 --flip
if [[ -f $sample ]]; then
  projects+=("$sample")
else
  echo "no sample project at $sample" >&2
  exit 2
fi

# ---- exports --------------------------------------------------------------------
palettes=(global optimized optimized-windows web mono gray windows-gray windows)
export_all() {  # tool, project, output folder
  local tool=$1 apf=$2 out=$3 frames p
  mkdir -p "$out/bmp"
  "$tool" export-bmp "$apf" "$out/bmp" >/dev/null
  frames=$(ls "$out/bmp" | wc -l)
  for i in 0 $((frames / 2)) $((frames - 1)); do
    for ext in bmp jpg gif; do "$tool" export-frame "$apf" "$i" "$out/frame$i.$ext" >/dev/null; done
  done
  "$tool" export-avi "$apf" "$out/video.avi" >/dev/null
  for ext in mp4 webp apng; do "$tool" export-video "$apf" "$out/video.$ext" >/dev/null; done
  for p in "${palettes[@]}"; do
    "$tool" export-gif "$apf" "$out/$p.gif" --palette "$p" >/dev/null
    "$tool" export-gif "$apf" "$out/$p-plain.gif" --palette "$p" --optimize none >/dev/null
  done
}

compared=0
differing=0
for apf in "${projects[@]}"; do
  name=$(basename "$apf" .apf)
  export_all "$old" "$apf" "$work/old/$name"
  export_all "$new" "$apf" "$work/new/$name"
  while IFS= read -r file; do
    rel=${file#"$work/old/$name/"}
    compared=$((compared + 1))
    if ! cmp -s "$file" "$work/new/$name/$rel"; then
      echo "DIFFERENT: $name/$rel" >&2
      differing=$((differing + 1))
    fi
  done < <(find "$work/old/$name" -type f | sort)
  if [[ $(find "$work/old/$name" -type f | wc -l) -ne $(find "$work/new/$name" -type f | wc -l) ]]; then
    echo "DIFFERENT: $name has another number of files" >&2
    differing=$((differing + 1))
  fi
done
echo "$compared files compared over ${#projects[@]} projects, $differing different"
[[ $differing -eq 0 ]]
