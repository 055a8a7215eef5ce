#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# fills their seed corpora, and runs each target for a short while (two at a time). Fails when a
# target crashes, leaks, hangs or fails one of its checks; the input is kept under
# BUILD_DIR/smoke/TARGET/.
#
# usage: fuzz/smoke.sh [SECONDS_PER_TARGET]   (default 60; build dir: $YUMEKAZE_FUZZ_BUILD or
#                                             build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${YUMEKAZE_FUZZ_BUILD:-build-fuzz}
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DYUMEKAZE_SANITIZE=address,undefined -DYUMEKAZE_BUILD_FUZZ=ON -DYUMEKAZE_BUILD_APP=OFF \
  -DYUMEKAZE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target yumekaze_fuzzers
fuzz/make_corpus.sh "$build/corpus"

# Longest input per target: a few frames for the frame decoder, a few frames behind tags for
# the others.
declare -A max_len=(
  [frame_decoder_fuzzer]=1024
  [cli_decode_fuzzer]=4096
  [tag_reader_fuzzer]=16384
  [player_open_fuzzer]=4096
  [stream_parser_fuzzer]=16384
)
# The decode command reports every bad input on standard error: keep it out of the log.
declare -A quiet=([cli_decode_fuzzer]=3)

run() {  # target
  local target=$1 work="$build/smoke/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  if "$build/fuzz/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
    -dict=fuzz/formats.dict -timeout=30 -rss_limit_mb=2048 -close_fd_mask="${quiet[$target]:-0}" \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$build/corpus/$target" \
    >"$work/log" 2>&1; then
    local runs rate
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
    echo "fuzz smoke: $target: $runs runs, $rate/s, no failure"
  else
    echo "fuzz smoke: $target FAILED; its log ends:" >&2
    tail -n 40 "$work/log" >&2
    return 1
  fi
}

status=0
targets=(frame_decoder_fuzzer cli_decode_fuzzer tag_reader_fuzzer player_open_fuzzer
  stream_parser_fuzzer)
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
  pids=()
  for target in "${targets[@]:i:jobs}"; do
    run "$target" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
done
exit $status
