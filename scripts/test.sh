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

# Each stage's wall-clock seconds, printed as a table when the script ends, passed or failed, so
# that a slow stage shows in every log.
stage_names=()
stage_seconds=()
running_stage=""
running_since=0
stage() {
  running_stage="$1"
  running_since=$SECONDS
  shift
  "$@"
  stage_names+=("$running_stage")
  stage_seconds+=($((SECONDS - running_since)))
  running_stage=""
}
print_stage_time() {
  printf '%-22s %4d:%02d %s\n' "$1" $(($2 / 60)) $(($2 % 60)) "${3:-}"
}
print_stage_times() {
  local i
  echo
  printf '%-22s %7s\n' "Stage" "m:ss"
  for i in "${!stage_names[@]}"; do
    print_stage_time "${stage_names[$i]}" "${stage_seconds[$i]}"
  done
  if [ -n "$running_stage" ]; then
    print_stage_time "$running_stage" $((SECONDS - running_since)) "FAILED"
  fi
  print_stage_time "Whole run" "$SECONDS"
}
trap print_stage_times EXIT

configure_and_build() {
  local build="$1"
  shift
  cmake -S "$root" -B "$build" -G Ninja -DTW_BUILD_BENCH=OFF "$@"
  cmake --build "$build" -j "$(tw_jobs)"
}

# As many tests at once as there are cores, as far as the memory holds them: a sanitized test
# that plays a level takes up to about a gigabyte.
test_jobs() {
  local cores by_memory
  cores=$(tw_jobs)
  by_memory=$(awk '/^MemAvailable:/ { print int($2 / 1048576) }' /proc/meminfo)
  [ "$by_memory" -lt 1 ] && by_memory=1
  echo $((by_memory < cores ? by_memory : cores))
}

run_tests() {
  local build="$1"
  # -noreset: by default the X server resets whenever its last client disconnects, and a window
  # test starting in that moment cannot open the display.
  (cd "$build" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$(test_jobs)")
  drop_build_on_ci "$build"
}

# The game's random numbers come from its seedable generator (tw::Rand), never from C's rand().
no_c_rand() {
  if grep -rnE '(^|[^A-Za-z0-9_])s?rand[[:space:]]*\(' "$root/src"; then
    echo "C rand() called in src/: use tw::Rand (Utilities/Random.h)" >&2
    return 1
  fi
}
stage "rand() guard" no_c_rand

# -g1: line tables are all that the sanitizers' reports need, and full debug information costs
# a fifth of the compile time.
stage "Sanitized build" configure_and_build "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1
stage "Sanitized tests" run_tests "$root/build/test"
stage "Release build" configure_and_build "$root/build/test-release" -DCMAKE_BUILD_TYPE=Release
stage "Release tests" run_tests "$root/build/test-release"

# The memory manager's tests under ThreadSanitizer: a narrow clang build of only what they need.
thread_sanitizer() {
  local build="$root/build/tsan"
  CC=clang CXX=clang++ cmake -S "$root/tests/ThreadSanitizer" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j "$(tw_jobs)"
  (cd "$build" && ctest --output-on-failure -j "$(tw_jobs)")
  drop_build_on_ci "$build"
}
stage "ThreadSanitizer" thread_sanitizer

fuzz_build="$root/build/fuzz"
# Only the fuzz targets: the game itself is not built again. Line tables, as in the sanitized
# build, are enough for a crash's stack.
build_fuzz_targets() {
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja -DTW_FUZZ=ON -DTW_SANITIZE=ON \
    -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG"
  cmake --build "$fuzz_build" -j "$(tw_jobs)" --target fuzz_targets
}
stage "Fuzz build" build_fuzz_targets

run_fuzz_targets() {
  local target name corpus
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
}
stage "Fuzz runs" run_fuzz_targets
