#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command with a private PulseAudio daemon (null sink "lectorio_null" as
# default sink, own runtime folder), stopped afterwards, also when the command
# is interrupted. Without pulseaudio the command runs as it is, and the tests
# that need a server skip. ctest runs each test of the playback test programs
# through it, so that a plain ctest has a server for them too.
set -uo pipefail
if ! command -v pulseaudio >/dev/null; then
  exec "$@"
fi
runtime=$(mktemp -d -t lectorio-pulse-XXXXXX)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
export XDG_RUNTIME_DIR=$runtime
export PULSE_RUNTIME_PATH=$runtime/pulse
export PULSE_SERVER=unix:$runtime/pulse/native
export HOME=${HOME:-$runtime}
mkdir -p "$PULSE_RUNTIME_PATH"
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit --system=false \
  -n --load="module-native-protocol-unix socket=$runtime/pulse/native auth-anonymous=1" \
  --load="module-null-sink sink_name=lectorio_null" --load="module-always-sink" \
  >"$runtime/pulse.log" 2>&1 &
pid=$!
ready=no
for _ in $(seq 50); do
  if pactl info >/dev/null 2>&1; then
    ready=yes
    break
  fi
  sleep 0.1
done
if [ "$ready" != yes ]; then
  echo "with-pulseaudio.sh: the private PulseAudio server did not start; its log:" >&2
  cat "$runtime/pulse.log" >&2
fi
pactl set-default-sink lectorio_null >/dev/null 2>&1 || true
export LECTORIO_TEST_PULSE=1
"$@"
