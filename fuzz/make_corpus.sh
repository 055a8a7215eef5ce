#!/usr/bin/env bash
# Fills the seed corpora of the fuzz targets: the conformance streams (when ../shared is there),
# the demo tune, and short streams encoded here with lame and twolame in the layouts the tests
# build (MPEG-1/2/2.5, mono and stereo, CRC, free format, VBR with a Xing header), each also
# wrapped in the tags and containers the player reads.
#
# usage: fuzz/make_corpus.sh [CORPUS_DIR]   (default: build-fuzz/corpus; one folder per target)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
corpus=${1:-$root/build-fuzz/corpus}
shared=$(cd "$root/.." && pwd)/shared/conformance

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

streams=("$root/data/demo.mp2")
if [ -d "$shared" ]; then
  streams+=("$shared"/*.bit)
else
  echo "make_corpus: no conformance streams at $shared; seeding from encoded streams only" >&2
fi

encode() {  # name, sample rate, channels, encoder and its arguments
  local name=$1 rate=$2 channels=$3
  shift 3
  sox -n -r "$rate" -c "$channels" -b 16 "$work/$name.wav" synth 0.4 sine 440 sine 1250 vol 0.5 2>/dev/null
  if "$@" "$work/$name.wav" "$work/$name" >/dev/null 2>&1; then
    streams+=("$work/$name")
  else
    echo "make_corpus: could not encode $name" >&2
  fi
}
if command -v sox >/dev/null && command -v lame >/dev/null; then
  encode l3-44k-cbr.mp3 44100 2 lame --quiet -b 128
  encode l3-44k-crc-joint.mp3 44100 2 lame --quiet -b 96 -p -m j
  encode l3-48k-vbr-xing.mp3 48000 2 lame --quiet -V 4
  encode l3-32k-mono.mp3 32000 1 lame --quiet -b 64
  encode l3-22k-mpeg2.mp3 22050 2 lame --quiet -b 32
  encode l3-16k-mpeg2-mono.mp3 16000 1 lame --quiet -b 24 -p
  encode l3-8k-mpeg25.mp3 8000 1 lame --quiet -b 16
  encode l3-11k-mpeg25-stereo.mp3 11025 2 lame --quiet -b 24
  encode l3-44k-free.mp3 44100 2 lame --quiet --freeformat -b 400
fi
if command -v sox >/dev/null && command -v twolame >/dev/null; then
  encode l2-48k-stereo.mp2 48000 2 twolame --quiet -b 192
  encode l2-32k-mono-crc.mp2 32000 1 twolame --quiet -m m -b 64 -p
  encode l2-48k-free.mp2 48000 2 twolame --quiet --freeformat -b 200
  encode l2-24k-mpeg2.mp2 24000 2 twolame --quiet -b 64
  encode l2-44k-joint.mp2 44100 2 twolame --quiet -b 128 -m j
fi

python3 "$here/make_seeds.py" "$corpus" "${streams[@]}"
for d in "$corpus"/*/; do
  echo "make_corpus: $(ls "$d" | wc -l) seeds in $d"
done
