#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tarnwick need.
# Used by both `make run` and `make check`. As root it installs what is missing;
# otherwise it prints the one command to run and fails.
set -eu

packages=(
  build-essential cmake pkg-config
  clang libclang-rt-14-dev zlib1g-dev
  libsdl1.2-dev libsdl-image1.2-dev
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libvorbis-dev libogg-dev portaudio19-dev libasound2-dev libasound2-plugins
  libgtest-dev googletest
  xvfb xdotool x11-apps
  python3 python3-pil python3-numpy
  sox libsox-fmt-all
  fonts-comic-neue
  dpkg-dev desktop-file-utils appstream groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || apt-get update
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Some packages are missing. Run:"
  echo "  sudo apt-get install ${missing[*]}"
  exit 1
fi
