#!/usr/bin/env bash
# Installs the Debian packages Tarnwick needs, in two lists:
#   tools/install-deps.sh        what building, running and packaging the game need (`make run`)
#   tools/install-deps.sh test   that and what the tests, the sanitizer and fuzzing builds,
#                                the art generators and the package checks need (`make check`)
# As root it installs what is missing; otherwise it prints the one command to run and fails.
#
# The game plays through ALSA. A desktop's sound server brings its own ALSA route with it
# (pulseaudio depends on libasound2-plugins, PipeWire has pipewire-alsa), and without one
# the game plays straight to the card, so the plugins are in the test list alone.
set -eu

game=(
  build-essential cmake pkg-config python3
  libsdl1.2-dev libsdl-image1.2-dev
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libvorbis-dev libogg-dev portaudio19-dev libasound2-dev
  dpkg-dev
)

tests=(
  libasound2-plugins
  clang libclang-rt-14-dev zlib1g-dev
  libgtest-dev googletest
  xvfb xdotool x11-apps
  python3-pil python3-numpy
  sox libsox-fmt-all
  fonts-comic-neue
  desktop-file-utils appstream groff-base man-db
  lintian devscripts
)

case "${1:-run}" in
  run) packages=("${game[@]}") ;;
  test) packages=("${game[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

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
