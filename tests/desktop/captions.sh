#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the captions as the window system shows them, under a virtual X
# server with a window manager (the X11 platform plugin formats titles, the
# offscreen one does not): the main window of a project opened from the
# command line, and an error box over the window at start-up.
#   captions.sh LECTORIO LECTORIO_CLI RECORDING.wav
# Exits 77 (skipped) when Xvfb, openbox or xprop is missing.
set -euo pipefail
lectorio=$1
cli=$2
recording=$3
for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Polls `$@` every tenth of a second for up to 20 seconds.
until_true() {
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  return 1
}
has_content() { [ -s "$1" ]; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
until_true has_content "$work/display" || { echo "SKIPPED: Xvfb did not start"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
pids+=($!)
# Output is taken whole before it is searched: `grep -q` stops reading at the
# first match, and under pipefail the writer's broken pipe would fail the test.
wm_running() { [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]]; }
until_true wm_running || { echo "SKIPPED: openbox did not start"; exit 77; }

# The captions of every managed window, one a line.
captions() {
  local id
  for id in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
    xprop -id "$id" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'
  done
}
shows() {
  local caption shown
  shown=$(captions)
  for caption in "$@"; do grep -qxF "$caption" <<<"$shown" || return 1; done
}

# Starts Lectorio with `$1` and waits until the captions `${@:2}` are all
# shown; no caption may carry anything after the one set. Leaves it running
# as $running.
expect_captions() {
  "$lectorio" "$1" >/dev/null 2>&1 &
  running=$!
  pids+=("$running")
  if ! until_true shows "${@:2}"; then
    echo "expected the captions: ${*:2}"
    echo "shown:"; captions
    exit 1
  fi
  if [[ "$(captions)" == *" — "* ]]; then
    echo "a caption carries a suffix:"; captions
    exit 1
  fi
}
stop_running() {
  kill "$running"
  wait "$running" 2>/dev/null || true
}

mkdir "$work/out"
"$cli" segment "$recording" "$work/out" talk --no-label --quiet >/dev/null
expect_captions "$work/out/talk.vprj" "Lectorio - talk"
# The window class is the one the desktop entry names (StartupWMClass).
for id in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
  if [ "$(xprop -id "$id" -notype _NET_WM_NAME)" = '_NET_WM_NAME = "Lectorio - talk"' ]; then
    class=$(xprop -id "$id" -notype WM_CLASS)
    [ "$class" = 'WM_CLASS = "lectorio", "Lectorio"' ] || { echo "window class: $class"; exit 1; }
  fi
done
stop_running

expect_captions "$work/missing.vprj" "Lectorio" "Error"
stop_running
echo "captions as shown: Lectorio - talk; Lectorio and Error"
