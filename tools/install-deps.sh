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
  # sound output, and the private sound server the tests start
  libasound2-dev alsa-utils libpulse-dev pulseaudio pulseaudio-utils
  # desktop player
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-ipafont-gothic xvfb xauth dbus-x11
  # desktop integration: MPRIS and session bus tests, desktop entry and metainfo checks
  dbus playerctl libglib2.0-bin desktop-file-utils appstream
  # internet radio: libcurl for streams; Icecast, ffmpeg and openssl for the radio tests
  libcurl4-openssl-dev icecast2 openssl
  # fuzzing
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
