#!/usr/bin/env bash
# Builds the game (Release) and starts it on the bundled Data folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
tw_install_packages

build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF
cmake --build "$build" -j "$(tw_jobs)" --target Tumblewreck
game="$build/bin/Tumblewreck"
if [ -z "${DISPLAY:-}" ]; then
  # xvfb-run picks a free display number and sets DISPLAY to it for the command it runs, so the
  # game says which, before it starts.
  exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
    'echo "No display here: Tumblewreck runs on the virtual display $DISPLAY (Xvfb, 1280x1024), unseen; Ctrl+C ends it." >&2; exec "$0" "$@"' \
    "$game" "$@"
fi
exec "$game" "$@"
