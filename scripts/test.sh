#!/usr/bin/env bash
# Builds the project with AddressSanitizer + UBSan and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
tw_install_packages

build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=ON -DTW_BUILD_BENCH=OFF
cmake --build "$build" -j "$(tw_jobs)"
cd "$build"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(tw_jobs)"
