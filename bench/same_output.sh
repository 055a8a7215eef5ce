#!/bin/sh
# Checks that two builds of yumekaze-cli decode byte for byte alike: every conformance stream
# and benchmark file, with each inner-loop form and several channel and equalizer options.
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
  compared=$((compared + 1))
  if [ $? -ne $old_status ] || ! cmp -s "$work/old.pcm" "$work/new.pcm"; then
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
