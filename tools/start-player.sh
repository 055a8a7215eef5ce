#!/usr/bin/env bash
# Starts the built program: the desktop player with the demo tune in its list, playing, when a
# display is present; otherwise the demo tune through the terminal player. The desktop player
# keeps this start's settings and session under build/run-config, so that a user's own list
# comes back at their next normal start.
set -euo pipefail
cd "$(dirname "$0")/.."

demo=data/demo.mp3
[ -f "$demo" ] || demo=data/demo.mp2

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the desktop player with $demo (settings of this start: build/run-config)."
  export XDG_CONFIG_HOME="$PWD/build/run-config"
  exec build/bin/yumekaze "$demo"
fi

build/bin/yumekaze-cli info "$demo"
# Plays through ALSA's default device; without a sound card the player says so and plays
# through the null device in real time.
exec build/bin/yumekaze-cli play "$demo" </dev/null
