#!/usr/bin/env bash
# Builds the project twice and runs every test in both: with AddressSanitizer + UBSan (system
# allocator), and as the game ships (Release, every new and delete through the memory manager).
# Then builds the fuzz targets with clang and gives each a short, fixed-seed run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
source "$root/scripts/virtual-display.sh"
tw_install_packages

# intercept_tls_get_addr=0: the leak check's thread walk otherwise reads the dynamic TLS blocks of
# the OpenGL driver's threads after the driver has gone, finds a stale block and crashes instead of
# checking. Pointers kept only in such blocks belong to the driver, whose leaks are suppressed anyway.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The sanitized build alone takes about 4 GB, and the Release build is made beside its tests. A
# machine short of room would fail deep in a build with "No space left on device"; say so before
# starting.
needed_mb=6000
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
stage_notes=()
running_stage=""
running_since=0
stage() {
  running_stage="$1"
  running_since=$SECONDS
  shift
  "$@"
  record_stage "$running_stage" $((SECONDS - running_since))
  running_stage=""
}
record_stage() {
  stage_names+=("$1")
  stage_seconds+=("$2")
  stage_notes+=("${3:-}")
}
print_stage_time() {
  printf '%-22s %4d:%02d%s\n' "$1" $(($2 / 60)) $(($2 % 60)) "${3:+ $3}"
}
print_stage_times() {
  local i
  echo
  printf '%-22s %7s\n' "Stage" "m:ss"
  for i in "${!stage_names[@]}"; do
    print_stage_time "${stage_names[$i]}" "${stage_seconds[$i]}" "${stage_notes[$i]}"
  done
  if [ -n "$running_stage" ]; then
    print_stage_time "$running_stage" $((SECONDS - running_since)) "FAILED"
  fi
  print_stage_time "Whole run" "$SECONDS"
}

# A build that runs beside a stage of tests, at the lowest priority: the tests keep the cores they
# use, and the build takes what they leave idle while the window tests wait for the one X display
# and the end-to-end tests wait on their game. Its output goes to a log, shown if it fails.
background_name=""
background_pid=""
background_log=""
background_since=0
start_background_build() {
  background_name="$1"
  background_log="$2"
  shift 2
  background_since=$SECONDS
  # A process group of its own, so that a failed stage can stop the whole build.
  mkdir -p "$(dirname "$background_log")"
  set -m
  (renice -n 19 -p "$BASHPID" >/dev/null; "$@") >"$background_log" 2>&1 &
  background_pid=$!
  set +m
}
# Waits for the build; the table shows the wait and, beside it, the build's whole time.
finish_background_build() {
  local waited_since=$SECONDS status=0
  running_stage="$background_name"
  running_since=$waited_since
  wait "$background_pid" || status=$?
  background_pid=""
  if [ "$status" -ne 0 ]; then
    cat "$background_log"
    echo "scripts/test.sh: $background_name failed (log: $background_log)" >&2
    return "$status"
  fi
  tail -n 1 "$background_log"
  local whole=$((SECONDS - background_since))
  record_stage "$background_name, rest" $((SECONDS - waited_since)) \
    "(beside the tests; $((whole / 60)):$(printf '%02d' $((whole % 60))) in all)"
  running_stage=""
}
on_exit() {
  # A failed stage leaves no build running on behind the script.
  if [ -n "$background_pid" ]; then
    kill -- "-$background_pid" 2>/dev/null || true
  fi
  print_stage_times
}
trap on_exit EXIT

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
  (
    cd "$build"
    tw_start_virtual_display -screen 0 1280x1024x24 -noreset
    ctest --output-on-failure -j "$(test_jobs)"
  )
  drop_build_on_ci "$build"
}

# The game's random numbers come from its seedable generator (tw::Rand), never from C's rand().
no_c_rand() {
  if grep -rnE '(^|[^A-Za-z0-9_])s?rand[[:space:]]*\(' "$root/src"; then
    echo "C rand() called in src/: use tw::Rand (Utilities/Random.h)" >&2
    return 1
  fi
}

# The memory manager's tests under ThreadSanitizer: a narrow clang build of only what they need.
thread_sanitizer() {
  local build="$root/build/tsan"
  CC=clang CXX=clang++ cmake -S "$root/tests/ThreadSanitizer" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j "$(tw_jobs)"
  (cd "$build" && ctest --output-on-failure -j "$(tw_jobs)")
  drop_build_on_ci "$build"
}

fuzz_build="$root/build/fuzz"
# Only the fuzz targets: the game itself is not built again. Line tables, as in the sanitized
# build, are enough for a crash's stack.
build_fuzz_targets() {
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja -DTW_FUZZ=ON -DTW_SANITIZE=ON \
    -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG"
  cmake --build "$fuzz_build" -j "$(tw_jobs)" --target fuzz_targets
}

# A fuzz target's fixed-seed run: every seed of its corpus, then mutations of them until 20,000
# inputs or half a minute has passed, whichever comes first (the targets that load a level or run
# a page manage about a hundred inputs a second). Its output is shown if it fails.
fuzz_target() {
  local target="$1" name corpus=() log
  name=$(basename "$target")
  # A seed corpus kept in the repository is only read: new inputs go to a scratch folder.
  if [ -d "$root/tests/fuzz/corpus/$name" ]; then
    mkdir -p "$fuzz_build/found/$name"
    corpus=("$fuzz_build/found/$name" "$root/tests/fuzz/corpus/$name")
  fi
  log="$fuzz_build/$name.log"
  if ! "$target" -seed=1 -runs=20000 -max_total_time=30 -close_fd_mask=3 "${corpus[@]}" >"$log" 2>&1; then
    cat "$log"
    echo "$name failed" >&2
    return 1
  fi
  echo "$name: $(grep -E '^Done [0-9]+ runs' "$log")"
}
# One target per core at a time; each is a single process.
run_fuzz_targets() {
  export -f fuzz_target
  export root fuzz_build
  printf '%s\0' "$fuzz_build"/bin/*Fuzz | xargs -0 -n 1 -P "$(tw_jobs)" bash -c 'fuzz_target "$1"' fuzz_target
}

stage "rand() guard" no_c_rand

# -g1: line tables are all that the sanitizers' reports need, and full debug information costs
# a fifth of the compile time.
stage "Sanitized build" configure_and_build "$root/build/test" -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1
start_background_build "Release build" "$root/build/release-build.log" \
  configure_and_build "$root/build/test-release" -DCMAKE_BUILD_TYPE=Release
stage "Sanitized tests" run_tests "$root/build/test"
finish_background_build
start_background_build "Fuzz build" "$root/build/fuzz-build.log" build_fuzz_targets
stage "Release tests" run_tests "$root/build/test-release"
finish_background_build
stage "ThreadSanitizer" thread_sanitizer
stage "Fuzz runs" run_fuzz_targets
