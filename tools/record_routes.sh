#!/usr/bin/env bash
# Records every route of tests/game/routes/ on the shipped level: NAME.route -> NAME.keys,
# the keys pressed and released on each frame (played through the real game by
# build/bin/tarnwick_record_route). Run it after changing a route or the level, and commit
# the .keys files with the change.
#
#   tools/record_routes.sh [BUILD_DIR]     (default: build)
set -eu

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build}

cmake --build "$build_dir" --target tarnwick_record_route
for route in "$source_dir"/tests/game/routes/*.route; do
  "$build_dir/bin/tarnwick_record_route" "$route" "$source_dir/resources/level.lev" "${route%.route}.keys"
done
