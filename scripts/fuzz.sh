#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes the readers for SECONDS seconds in all (default 60), shared among the
# targets: the WAV reader, pitch tracks through the synthesis, project files
# and option fields, transcripts and the final text, and a whole segmentation
# run; then the media decoder, reading from memory, for half as long. Seeds
# come from fuzz/corpus/<corpus>; a crash, leak or sanitizer report stops the
# script with a failure. Builds with clang in build-fuzz/.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
# target:corpus
targets=(wave_file_fuzz:wave_file pitch_track_fuzz:pitch_track project_file_fuzz:project_file
         final_text_fuzz:final_text segmentation_fuzz:wave_file)
each=$(( seconds / ${#targets[@]} ))
(( each > 0 )) || each=1
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLECTORIO_BUILD_GUI=OFF -DLECTORIO_BUILD_TESTS=OFF -DLECTORIO_BUILD_FUZZ=ON -DLECTORIO_WERROR=ON >/dev/null
cmake --build "$build" --target "${targets[@]%%:*}" media_decoder_fuzz
# New inputs found go to a scratch folder; the checked-in corpus stays as it is.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  mkdir -p "$scratch/$target"
  "$build/fuzz/$target" -max_total_time="$each" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/$target-" "$scratch/$target" "$root/fuzz/corpus/${entry#*:}"
  echo "fuzzing $target for ${each}s found nothing"
done
# Media files are larger than the readers' seeds. Some damaged media make
# FFmpeg's own decoders reserve more than 2 GB; until the decoder bounds that,
# the decoder runs in fork mode, where such an input is reported and skipped,
# while a crash or a sanitizer report still fails the run.
mkdir -p "$scratch/media"
"$build/fuzz/media_decoder_fuzz" -fork=1 -ignore_ooms=1 -max_total_time=$(( (seconds + 1) / 2 )) -max_len=16384 \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/media_decoder_fuzz-" "$scratch/media" \
  "$root/fuzz/corpus/media_decoder"
echo "fuzzing media_decoder_fuzz for $(( (seconds + 1) / 2 ))s found nothing"
