#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Saves a picture of the main window in each mode to docs/screenshots/, taken
# under a virtual X server. Builds the program first when it is missing.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
program=$build/app/lectorio
if [ ! -x "$program" ]; then
  "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DLECTORIO_BUILD_TESTS=OFF
fi
mkdir -p "$root/docs/screenshots"
for mode in initial setup run transcription; do
  xvfb-run -a -s "-screen 0 1024x768x24" "$program" --screenshot "$mode" "$root/docs/screenshots/main-window-$mode.png"
  echo "docs/screenshots/main-window-$mode.png"
done
