#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Lectorio in Release and runs its main job:
# the Lectorio window on a desktop, or, on a machine without a display, the
# batch segmentation of the sample recording.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DLECTORIO_BUILD_TESTS=OFF
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build-release/app/lectorio"
fi
out=$(mktemp -d -t lectorio-sample-XXXXXX)
echo "Segmenting the sample recording into $out"
"$root/build-release/cli/lectorio-cli" segment "$root/samples/16000-1-16-speech.wav" "$out" sample --no-label
