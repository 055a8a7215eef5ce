#!/usr/bin/env bash
# Installs the Debian packages that building and testing need. Quick when all are present.
# As root it runs apt-get; otherwise it prints the command to run and fails.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config python3
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # reference encoders and decoders used by tests
  twolame lame mpg123 sox ffmpeg
  # tags: zlib for compressed ID3v2 frames; TagLib and mutagen as the tag tests' references
  zlib1g-dev libtag1-dev python3-mutagen
  # tag text: the character set detector, and the locales the text tests run under
  libuchardet-dev locales
  # sound output, and the private sound server the tests start
  libasound2-dev alsa-utils libpulse-dev pulseaudio pulseaudio-utils
  # desktop player
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev libxcb1-dev fonts-ipafont-gothic xvfb xauth dbus-x11
  # the window under a Wayland compositor and under an X11 compositing manager
  qt6-wayland weston xcompmgr
  # desktop integration: MPRIS and session bus tests, desktop entry and metainfo checks
  dbus playerctl libglib2.0-bin desktop-file-utils appstream
  # installation checks: man pages, shell completions, the Debian package
  man-db bash-completion zsh fish lintian
  # translations: lupdate and lrelease for the build and its check, Qt's own Japanese texts
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # tools/take_screenshots.sh
  xdotool x11-xserver-utils python3-pil
  # internet radio: libcurl for streams; Icecast, ffmpeg and openssl for the radio tests
  libcurl4-openssl-dev icecast2 openssl
  # fuzzing
  clang libclang-rt-14-dev
)

# The tag text tests run under these locales; they skip, saying so, where one is missing.
test_locales=(en_US.UTF-8 ja_JP.UTF-8 ru_RU.UTF-8)
generate_locales() {
  [ "$(id -u)" -eq 0 ] && command -v locale-gen >/dev/null || return 0
  local wanted=()
  for l in "${test_locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || wanted+=("$l")
  done
  [ ${#wanted[@]} -eq 0 ] && return 0
  for l in "${wanted[@]}"; do
    sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    grep -qx "$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >>/etc/locale.gen
  done
  locale-gen >/dev/null
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  generate_locales
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
generate_locales
