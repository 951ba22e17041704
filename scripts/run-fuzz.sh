#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every libFuzzer target of a fuzz build for a short while, starting from
# fuzz/seeds/ and the shared corpus; new crashes land in fuzz/crashers/.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
corpus="$root/../shared/corpus"
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  echo "== $name ($seconds s)"
  dirs=("$work" "$root/fuzz/seeds")
  [ -d "$corpus" ] && dirs+=("$corpus")
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$root/fuzz/crashers/$name-" "${dirs[@]}"
  rm -rf "$work"
done
