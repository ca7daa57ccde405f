#!/usr/bin/env bash
# Installs every Debian package the build, tests, benchmarks and game need. Idempotent and quiet
# when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libpixman-1-dev
  zlib1g-dev libpng-dev libjpeg62-turbo-dev libogg-dev libvorbis-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth libx11-dev
  xdotool
  libmpg123-dev libsndfile1-dev sox libsox-fmt-mp3
  libsdl2-ttf-dev
  # Movies: FFmpeg's demuxers, decoders, scaler and resampler.
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  # MIDI music: FluidSynth and a small General MIDI sound font.
  libfluidsynth-dev timgm6mb-soundfont
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
