#!/bin/sh
# Checks that two builds of yumekaze-cli decode byte for byte alike: every conformance stream
# and benchmark file, and damaged copies of the latter, with each inner-loop form and several
# channel and equalizer options.
# usage: bench/same_output.sh OLD_CLI NEW_CLI [CONFORMANCE_DIR] [BENCH_FILES_DIR]
set -u
old=$1 new=$2
conformance=${3:-$(dirname "$0")/../../shared/conformance}
files=${4:-$(dirname "$0")/files}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
compared=0 differing=0
check() {  # input, then decode options
  input=$1
  shift
  "$old" decode "$@" "$input" -o "$work/old.pcm" 2>/dev/null
  old_status=$?
  "$new" decode "$@" "$input" -o "$work/new.pcm" 2>/dev/null
  new_status=$?
  compared=$((compared + 1))
  if [ $new_status -ne $old_status ] || ! cmp -s "$work/old.pcm" "$work/new.pcm"; then
    differing=$((differing + 1))
    echo "differs: $input $*"
  fi
}
inputs=""
for f in "$conformance"/*.bit "$conformance"/*.mp3; do [ -f "$f" ] && inputs="$inputs $f"; done
for f in "$files"/*.mp3 "$files"/*.mp2; do
  [ -f "$f" ] || continue
  head -c 2000000 "$f" >"$work/$(basename "$f")"  # the first minute or so of each
  inputs="$inputs $work/$(basename "$f")"
done
# Damaged copies of the first 200 kB: bytes changed at random (fixed seeds), and cut mid-frame.
for f in "$files"/*.mp3 "$files"/*.mp2; do
  [ -f "$f" ] || continue
  for seed in 1 2 3 4 5; do
    python3 - "$f" "$work/damaged$seed-$(basename "$f")" "$seed" <<'PY'
import random, sys
data = bytearray(open(sys.argv[1], "rb").read(200000))
rng = random.Random(int(sys.argv[3]))
for _ in range(200):
    data[rng.randrange(len(data))] = rng.randrange(256)
open(sys.argv[2], "wb").write(data[: len(data) - rng.randrange(1, 1500)])
PY
    inputs="$inputs $work/damaged$seed-$(basename "$f")"
  done
done
for input in $inputs; do
  for cpu in x87 3dnow sse2 avx2; do
    for options in "" "--channels mix" "--channels left" "--channels right" \
      "--eq-mode subband --eq 6,-6,3,0,2,-3" "--band-cap"; do
      # shellcheck disable=SC2086
      check "$input" --cpu $cpu $options
    done
  done
done
for f in "$files"/*.mp3 "$files"/*.mp2; do [ -f "$f" ] && check "$f"; done
echo "$compared outputs compared, $differing differ"
[ $differing -eq 0 ]
