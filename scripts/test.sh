#!/usr/bin/env bash
# Builds the project twice and runs every test in both: with AddressSanitizer + UBSan (system
# allocator), and as the game ships (Release, every new and delete through the memory manager).
# Then builds the fuzz targets with clang and gives each a short, fixed-seed run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
tw_install_packages

# intercept_tls_get_addr=0: the leak check's thread walk otherwise reads the dynamic TLS blocks of
# the OpenGL driver's threads after the driver has gone, finds a stale block and crashes instead of
# checking. Pointers kept only in such blocks belong to the driver, whose leaks are suppressed anyway.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The sanitized build alone takes about 4 GB. A machine short of room would fail deep in a build
# with "No space left on device"; say so before starting.
needed_mb=5000
free_mb=$(df -Pm "$root" | awk 'NR == 2 { print $4 }')
if [ "$free_mb" -lt "$needed_mb" ]; then
  echo "scripts/test.sh: only $free_mb MB free under $root; the builds need about $needed_mb MB" >&2
fi

# On CI nothing reuses a build once its tests have passed: its room goes to the next one.
drop_build_on_ci() {
  [ -n "${CI:-}" ] && rm -rf "$1"
  return 0
}

run_suite() {
  local build="$1"
  shift
  cmake -S "$root" -B "$build" -G Ninja -DTW_BUILD_BENCH=OFF "$@"
  cmake --build "$build" -j "$(tw_jobs)"
  # -noreset: by default the X server resets whenever its last client disconnects, and a window
  # test starting in that moment cannot open the display.
  (cd "$build" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$(tw_jobs)")
  drop_build_on_ci "$build"
}

# The game's random numbers come from its seedable generator (tw::Rand), never from C's rand().
if grep -rnE '(^|[^A-Za-z0-9_])s?rand[[:space:]]*\(' "$root/src"; then
  echo "C rand() called in src/: use tw::Rand (Utilities/Random.h)" >&2
  exit 1
fi

run_suite "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=ON
run_suite "$root/build/test-release" -DCMAKE_BUILD_TYPE=Release

# The memory manager's tests under ThreadSanitizer: a narrow clang build of only what they need.
tsan_build="$root/build/tsan"
CC=clang CXX=clang++ cmake -S "$root/tests/ThreadSanitizer" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$tsan_build" -j "$(tw_jobs)"
(cd "$tsan_build" && ctest --output-on-failure -j "$(tw_jobs)")
drop_build_on_ci "$tsan_build"

fuzz_build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja -DTW_FUZZ=ON -DTW_SANITIZE=ON \
  -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF
cmake --build "$fuzz_build" -j "$(tw_jobs)"
for target in "$fuzz_build"/bin/*Fuzz; do
  name=$(basename "$target")
  echo "Fuzzing $name briefly"
  # A seed corpus kept in the repository is only read: new inputs go to a scratch folder.
  corpus=()
  if [ -d "$root/tests/fuzz/corpus/$name" ]; then
    mkdir -p "$fuzz_build/found/$name"
    corpus=("$fuzz_build/found/$name" "$root/tests/fuzz/corpus/$name")
  fi
  "$target" -seed=1 -runs=20000 -close_fd_mask=3 "${corpus[@]}"
done
