#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing and runs the whole test suite, warnings counting as
# errors: a normal build with GCC, the same suite built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer (leaks included), and the
# readers' fuzzers for a minute. A private PulseAudio server with a null sink
# serves the playback tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --tests
jobs=$(nproc)

run_suite() {
  local dir=$1
  shift
  "$root/scripts/build.sh" "$dir" "$@"
  "$root/scripts/with-pulseaudio.sh" ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== Build and tests"
# The benchmarks are built too, so that they keep up with the code they drive.
run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLECTORIO_WERROR=ON -DLECTORIO_BUILD_BENCH=ON
# The second build uses the second compiler, so what one of them lets pass the
# other still sees.
echo "== Tests built with clang, under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
CC=clang-14 CXX=clang++-14 run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DLECTORIO_SANITIZE=ON -DLECTORIO_WERROR=ON
if [ -x "$root/scripts/fuzz.sh" ]; then
  echo "== Fuzzing the readers"
  "$root/scripts/fuzz.sh" 60
fi
