#!/bin/sh
# Takes the screenshots named in the metainfo: docs/screenshots/main-window.png (the round
# window with its corners transparent), play-list.png and sleep-timer.png, in English, from the
# built player on a private X server with a compositing manager and a private session bus.
# Usage: tools/take_screenshots.sh [BUILD_DIR]     (default: build)
# Needs: Xvfb, xcompmgr, xdotool, xsetroot, ffmpeg, sox, lame, python3-pil.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
program=$build/bin/yumekaze
out=$top/docs/screenshots
work=$(mktemp -d)
pids=
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

number=90
while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=:$number
Xvfb "$DISPLAY" -screen 0 1024x768x24 +extension Composite -nolisten tcp >/dev/null 2>&1 &
pids="$pids $!"
until xdotool getdisplaygeometry >/dev/null 2>&1; do sleep 0.1; done
xsetroot -solid black
xcompmgr >/dev/null 2>&1 &
pids="$pids $!"

eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
  sed -n '1s/^/DBUS_SESSION_BUS_ADDRESS=/p;2s/^/bus_pid=/p')"
export DBUS_SESSION_BUS_ADDRESS
pids="$pids $bus_pid"
export LC_ALL=en_US.UTF-8 LANGUAGE= XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb

# Three tagged tracks.
music="$work/Music/Quiet Coast"
mkdir -p "$music"
i=0
for title in "Evening Tide" "Lanterns on the Water" "Morning Ferry"; do
  i=$((i + 1))
  sox -n -r 44100 -c 2 "$work/tone.wav" synth 240 sine $((220 * i)) vol 0.2
  lame --quiet --tt "$title" --ta "Harbour Lights" --tl "Quiet Coast" --tn "$i" \
    "$work/tone.wav" "$music/0$i.mp3"
done
ffmpeg -loglevel error -f lavfi \
  -i "gradients=s=500x500:c0=0x1d3557:c1=0xe9c46a:x0=0:y0=0:x1=500:y1=500:n=2" \
  -frames:v 1 "$music/cover.jpg"

"$program" --device null "$music"/*.mp3 >/dev/null 2>&1 &
player=$!
pids="$pids $player"
main=$(xdotool search --sync --name '^Player$' | head -n 1)

# Grabs a window twice, over a black and over a white root, and keeps the difference as alpha.
grab() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  for colour in black white; do
    xsetroot -solid "$colour"
    sleep 0.5  # the compositing manager repaints the root
    ffmpeg -loglevel error -y -f x11grab -video_size "${WIDTH}x${HEIGHT}" \
      -i "$DISPLAY+$X,$Y" -frames:v 1 "$work/$colour.png"
  done
  /usr/bin/python3 - "$work/black.png" "$work/white.png" "$2" <<'PYTHON'
import sys
from PIL import Image
black, white = (Image.open(p).convert("RGB") for p in sys.argv[1:3])
out = Image.new("RGBA", black.size)
pixels = []
for b, w in zip(black.getdata(), white.getdata()):
    alpha = 255 - round(sum(wc - bc for bc, wc in zip(b, w)) / 3)
    alpha = max(0, min(255, alpha))
    pixels.append(tuple(min(255, round(c * 255 / alpha)) for c in b) + (alpha,) if alpha else (0, 0, 0, 0))
out.putdata(pixels)
out.save(sys.argv[3], optimize=True)
PYTHON
}

mkdir -p "$out"
sleep 3  # the first track plays a little
grab "$main" "$out/main-window.png"

xdotool windowfocus --sync "$main" key l
list=$(xdotool search --sync --name '^Play List$' | head -n 1)
sleep 1
grab "$list" "$out/play-list.png"
xdotool windowunmap --sync "$list"

xdotool windowfocus --sync "$main" key t
timer=$(xdotool search --sync --name '^Sleep Timer$' | head -n 1)
xdotool mousemove --window "$timer" 14 16 click 1  # "Use the timer"
sleep 1
grab "$timer" "$out/sleep-timer.png"
xdotool key Escape

"$program" --quit >/dev/null 2>&1 || true
wait "$player" || true
echo "wrote $out/main-window.png play-list.png sleep-timer.png"
