#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing and runs the whole test suite: a normal build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# readers' fuzzers for a minute. A private PulseAudio server with a null sink
# serves the playback tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

run_suite() {
  local dir=$1
  shift
  "$root/scripts/build.sh" "$dir" "$@"
  "$root/scripts/with-pulseaudio.sh" ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== Build and tests"
run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DLECTORIO_SANITIZE=ON
if [ -x "$root/scripts/fuzz.sh" ]; then
  echo "== Fuzzing the readers"
  "$root/scripts/fuzz.sh" 60
fi
