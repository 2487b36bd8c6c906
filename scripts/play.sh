#!/usr/bin/env bash
# Builds the game (Release) and starts it on the bundled Data folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
tw_install_packages

build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF
cmake --build "$build" -j "$(tw_jobs)" --target Tumblewreck
source "$root/scripts/virtual-display.sh"
tw_run_on_a_display "$build/bin/Tumblewreck" "$@"
