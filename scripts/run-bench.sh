#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark of a bench build, one core, then each peer comparison
# script under bench/peers/ (they print their figures side by side).
set -euo pipefail
build=${1:-build-bench}
root=$(cd "$(dirname "$0")/.." && pwd)
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  taskset -c 0 "$b" --benchmark_counters_tabular=true
done
if [ -d "$root/bench/peers" ]; then
  for p in "$root"/bench/peers/*.sh; do
    [ -x "$p" ] || continue
    echo "== $(basename "$p")"
    "$p" "$build"
  done
fi
