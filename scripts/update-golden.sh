#!/usr/bin/env bash
# Rewrites the golden images in tests/golden/ from what the renderer draws now. Run it by hand
# after a deliberate change to the picture, look at the new images, and commit them; CI never runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/golden"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_BENCH=OFF
cmake --build "$build" -j 4 --target TumblewreckTests
TW_UPDATE_GOLDEN=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/TumblewreckTests" --gtest_filter='Golden.*:HtmlPaint.PagesMatchTheirGoldenImages'
git -C "$root" status --short tests/golden
