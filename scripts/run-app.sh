#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the desktop app from a build folder, or says what was built while
# the app does not exist yet.
set -euo pipefail
build=${1:-build}
if [ -x "$build/kt58-animator" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "kt58-animator: no display available (set DISPLAY or WAYLAND_DISPLAY to start the desktop app)." >&2
    exit 1
  fi
  exec "$build/kt58-animator"
fi
echo "Built in $build/:"
for f in libkt58_export.a kt58 core_tests; do
  [ -e "$build/$f" ] && echo "  $f"
done
echo "The desktop app is not part of this build yet."
