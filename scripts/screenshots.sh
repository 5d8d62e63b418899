#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Saves a picture of the main window in each mode to docs/screenshots/, taken
# under a virtual X server by the lectorio-screenshot tool, which is built
# here (it is not part of a normal build).
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
program=$build/tools/lectorio-screenshot
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLECTORIO_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target lectorio-screenshot
mkdir -p "$root/docs/screenshots"
for mode in initial setup run transcription; do
  xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$mode" "$root/docs/screenshots/main-window-$mode.png"
  echo "docs/screenshots/main-window-$mode.png"
done
