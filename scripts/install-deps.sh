#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building and running Lectorio need, and
# only those that are missing; with --tests also what the tests and the
# benchmarks need. Runs apt-get as root (or through sudo).
#   scripts/install-deps.sh [--tests]
set -euo pipefail

packages=(
  # build and run
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev
  libpulse-dev fp-utils
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
)
if [ "${1:-}" = "--tests" ]; then
  packages+=(
    # tests, benchmarks and the checks of the sources and the installed files
    clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    pulseaudio pulseaudio-utils
    espeak-ng sox xvfb xauth x11-utils openbox
    clang-14 libclang-rt-14-dev
    desktop-file-utils appstream shared-mime-info
    rubberband-cli soundstretch
    ffmpeg praat libxml2-utils
    dbus-daemon playerctl
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
