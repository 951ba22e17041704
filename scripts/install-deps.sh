#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project builds, tests and benchmarks with,
# only those that are missing. Runs as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  libjpeg62-turbo-dev libgif-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  ffmpeg imagemagick python3-pil gifsicle time
  librsvg2-bin dpkg-dev file
  desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin groff-base lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
