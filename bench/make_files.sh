#!/usr/bin/env bash
# Makes the benchmark files: a deterministic 10-minute stereo signal at 44.1 kHz (chords with
# tremolo, repeated sweeps, pink noise), encoded in the forms people have on their disks.
# Usage: bench/make_files.sh [OUTDIR]   (default bench/files)
set -euo pipefail
out=${1:-"$(dirname "$0")/files"}
mkdir -p "$out"
cd "$out"

need=()
for tool in sox lame twolame; do command -v "$tool" >/dev/null || need+=("$tool"); done
if [ ${#need[@]} -gt 0 ]; then
  echo "missing: ${need[*]} (sudo apt-get install -y ${need[*]})" >&2
  exit 1
fi

if [ ! -f signal.wav ]; then
  # -R: sox's repeatable random numbers, so the noise is the same on every run.
  sox -R -n -r 44100 -b 16 -c 2 chords.wav synth 600 sine 220 sine 277.18 sine 329.63 sine 440 \
    remix 1,3 2,4 tremolo 3 40 vol 0.25
  sox -R -n -r 44100 -b 16 -c 2 sweep.wav synth 10 sine 60/12000 sine 12000/60 vol 0.2 repeat 59
  sox -R -n -r 44100 -b 16 -c 2 noise.wav synth 600 pinknoise pinknoise tremolo 0.2 90 vol 0.15
  sox -R -m chords.wav sweep.wav noise.wav signal.wav
  rm chords.wav sweep.wav noise.wav
fi

[ -f cbr128.mp3 ] || lame --quiet -b 128 -m j signal.wav cbr128.mp3
[ -f cbr320.mp3 ] || lame --quiet -b 320 signal.wav cbr320.mp3
[ -f vbr2.mp3 ] || lame --quiet -V 2 signal.wav vbr2.mp3
[ -f layer2-256.mp2 ] || twolame --quiet -b 256 signal.wav layer2-256.mp2
[ -f mpeg25-8k-mono.mp3 ] || lame --quiet --resample 8 -m m -b 16 signal.wav mpeg25-8k-mono.mp3
ls -l "$PWD"/*.mp?
