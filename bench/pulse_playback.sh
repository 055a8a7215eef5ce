#!/usr/bin/env bash
# Playing through a sound server: CPU time and wake-ups (context switches of all the process's
# threads, voluntary and not, from /proc/PID/task/*/status) per second of playback, for
# yumekaze-cli and the desktop player on each sound device, and mpg123 for comparison. Starts a
# private PulseAudio server of its own and stops it at the end. Its sink is a pipe nobody reads,
# paced by the clock like a sound card (the null sink was seen to run ahead of real time). With
# BASELINE_DIR (a build directory or a copy of its bin/ folder's parent), the sound server rows are
# measured for that build too, each just before the current one, so both see the same load.
# ROUNDS=n repeats the desktop pair n times, DESKTOP_ONLY=1 leaves out the other rows, and
# PER_THREAD=1 adds each thread's voluntary + involuntary switches per second under its row.
#   bench/pulse_playback.sh BUILD_DIR [SECONDS] [BASELINE_DIR]
set -euo pipefail

build=$(realpath "$1")
seconds=${2:-20}
baseline=${3:+$(realpath "$3")}
dir=$(mktemp -d /tmp/yumekaze-pulse-bench-XXXXXX)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  cat "$dir/players.err" >&2 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT

export HOME=$dir XDG_CONFIG_HOME=$dir XDG_RUNTIME_DIR=$dir PULSE_RUNTIME_PATH=$dir \
  PULSE_STATE_PATH=$dir PULSE_SERVER=unix:$dir/native
unset DBUS_SESSION_BUS_ADDRESS
pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 --use-pid-file=no \
  --log-target=file:"$dir/server.log" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
  -L "module-pipe-sink sink_name=quiet use_system_clock_for_timing=yes file=$dir/quiet.fifo" &
server_pid=$!
until pactl info >/dev/null 2>&1; do sleep 0.1; done

sox -n -r 44100 -c 2 "$dir/tone.wav" synth $((seconds + 10)) sine 440 sine 660 2>/dev/null
lame --quiet -b 128 "$dir/tone.wav" "$dir/tone.mp3"

switches() {  # all threads' context switches so far
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}
thread_switches() {  # each thread: tid name voluntary involuntary
  local task
  for task in /proc/"$1"/task/*; do
    awk -v tid="${task##*/}" '/^Name:/ { name = $2 } /^voluntary_ctxt/ { v = $2 }
      /^nonvoluntary_ctxt/ { print tid, name, v, $2 }' "$task/status" 2>/dev/null
  done | sort -n
}
cpu_ticks() {  # user + system clock ticks of the process (all threads)
  awk '{ print $14 + $15 }' /proc/"$1"/stat
}
measure() {  # name pid: waits a warm-up, then measures for $seconds
  local name=$1 pid=$2
  sleep 3
  local s0 c0 t0 s1 c1 t1 ss0 ss1
  [ -n "${PER_THREAD:-}" ] && thread_switches "$pid" >"$dir/threads0"
  s0=$(switches "$pid") c0=$(cpu_ticks "$pid") ss0=$(cpu_ticks "$server_pid") t0=$(date +%s.%N)
  sleep "$seconds"
  s1=$(switches "$pid") c1=$(cpu_ticks "$pid") ss1=$(cpu_ticks "$server_pid") t1=$(date +%s.%N)
  [ -n "${PER_THREAD:-}" ] && thread_switches "$pid" >"$dir/threads1"
  awk -v n="$name" -v s=$((s1 - s0)) -v c=$((c1 - c0)) -v sc=$((ss1 - ss0)) \
    -v t="$(echo "$t1 - $t0" | bc)" -v hz="$(getconf CLK_TCK)" 'BEGIN {
      printf "%-44s %8.1f %9.2f %9.2f\n", n, s / t, 100 * c / hz / t, 100 * sc / hz / t }'
  [ -n "${PER_THREAD:-}" ] && join --nocheck-order "$dir/threads0" "$dir/threads1" |
    awk -v t="$(echo "$t1 - $t0" | bc)" '{
      printf "    %-16s %5.1f + %4.1f\n", $2, ($6 - $3) / t, ($7 - $4) / t }'
  return 0
}
run() {  # name command...: measures the command's own process
  local name=$1
  shift
  "$@" </dev/null >/dev/null 2>>"$dir/players.err" &
  local pid=$!
  measure "$name" "$pid"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
}

printf "%-44s %8s %9s %9s\n" "player" "wakeup/s" "cpu %" "server %"
if [ -n "$baseline" ] && [ -z "${DESKTOP_ONLY:-}" ]; then
  run "baseline: yumekaze-cli play --device pulse" \
    "$baseline/bin/yumekaze-cli" play --device pulse "$dir/tone.mp3"
fi
if [ -z "${DESKTOP_ONLY:-}" ]; then
  run "yumekaze-cli play --device pulse" "$build/bin/yumekaze-cli" play --device pulse "$dir/tone.mp3"
  run "yumekaze-cli play --device alsa:pulse" \
    "$build/bin/yumekaze-cli" play --device alsa:pulse "$dir/tone.mp3"
  run "yumekaze-cli play --device null" "$build/bin/yumekaze-cli" play --device null "$dir/tone.mp3"
  run "mpg123 -o pulse" mpg123 -q -o pulse "$dir/tone.mp3"
fi
if [ -x "$build/bin/yumekaze" ] && command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
  xvfb=$!
  until [ -s "$dir/display" ]; do sleep 0.1; done
  desktop() {  # name program device
    run "$1 --device $3 (Xvfb)" env DISPLAY=":$(cat "$dir/display")" QT_QPA_PLATFORM=xcb \
      "$2" --device "$3" "$dir/tone.mp3"
  }
  for _ in $(seq "${ROUNDS:-1}"); do
    [ -n "$baseline" ] && desktop "baseline: yumekaze" "$baseline/bin/yumekaze" pulse
    desktop yumekaze "$build/bin/yumekaze" pulse
  done
  [ -z "${DESKTOP_ONLY:-}" ] && desktop yumekaze "$build/bin/yumekaze" alsa:pulse
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
fi
