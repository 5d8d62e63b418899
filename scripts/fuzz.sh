#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes the WAV reader for SECONDS seconds (default 60) from the seed corpus
# in fuzz/corpus, then the media decoder for at most 30 seconds from
# fuzz/media-corpus: scripts/fuzz.sh [SECONDS]. Builds with clang in build-fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLECTORIO_BUILD_GUI=OFF -DLECTORIO_BUILD_TESTS=OFF -DLECTORIO_BUILD_FUZZ=ON -DLECTORIO_WERROR=ON >/dev/null
cmake --build "$build" --target wave_file_fuzz media_decoder_fuzz
# New inputs found go to a scratch folder; the checked-in corpus stays as it is.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/fuzz/wave_file_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/" "$scratch" "$root/fuzz/corpus"
echo "fuzzing the WAV reader for ${seconds}s found nothing"
# The media decoder, from its own seeds (tiny files in the common formats).
mkdir "$scratch/media"
"$build/fuzz/media_decoder_fuzz" -max_total_time=$((seconds < 30 ? seconds : 30)) -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/" "$scratch/media" "$root/fuzz/media-corpus"
echo "fuzzing the media decoder found nothing"
