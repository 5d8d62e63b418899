#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes samples/16000-1-16-speech.wav: spoken English with pauses (espeak-ng),
# mixed with light noise, 16 kHz mono 16-bit, about 27 seconds (under 1 MB).
# Needs espeak-ng and sox. Usage: scripts/make-sample.sh [OUTPUT.wav]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/samples/16000-1-16-speech.wav}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sentences=(
  "Welcome to Lectorio, a tool for transcribing recorded speech."
  "The recording is cut into parts of speech and parts of silence."
  "Each part is played as soon as it is shown."
  "You type what you hear, and move on to the next part."
  "At the end, all transcripts are joined into one text file."
  "Thank you for listening."
)
pauses=(0.8 1.2 0.6 1.5 1.1 1.0)

parts=()
sox -R -n -r 16000 -c 1 -b 16 "$work/lead.wav" trim 0 0.7
parts+=("$work/lead.wav")
for i in "${!sentences[@]}"; do
  espeak-ng -v en-us -s 160 -w "$work/raw$i.wav" "${sentences[$i]}"
  sox -R "$work/raw$i.wav" -r 16000 -c 1 -b 16 "$work/say$i.wav" rate -h
  sox -R -n -r 16000 -c 1 -b 16 "$work/pause$i.wav" trim 0 "${pauses[$i]}"
  parts+=("$work/say$i.wav" "$work/pause$i.wav")
done
sox -R "${parts[@]}" "$work/speech.wav"
length=$(soxi -D "$work/speech.wav")
# Light pink noise about 45 dB below full scale, fixed seed for a repeatable file.
sox -R -n -r 16000 -c 1 -b 16 "$work/noise.wav" synth "$length" pinknoise vol 0.006
sox -R -m -v 0.9 "$work/speech.wav" "$work/noise.wav" -b 16 "$out"
echo "wrote $out ($(soxi -D "$out") s)"
