#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them; the physics comparisons end in a table of our
# time over Bullet's for each scene of the same run. Bullet is a reference for these benchmarks
# only: it is installed here and never linked into the game or the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
TW_PACKAGES+=(libbullet-dev)
tw_install_packages

build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_BENCH=ON -DTW_BUILD_TESTS=OFF
cmake --build "$build" -j "$(tw_jobs)"

echo "Load: $(uptime)"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for bench in "$build"/bin/*Bench; do
  echo "== $(basename "$bench")"
  "$bench" --benchmark_counters_tabular=true | tee -a "$results"
done

# Rows "Scene/Tumblewreck[/...]" and "Scene/Bullet[/...]": the ratio of their CPU times (column 4, ms).
echo
printf '%-16s %12s %12s %8s\n' scene "ours (ms)" "Bullet (ms)" ratio
awk '$1 ~ /\/(Tumblewreck|Bullet)(\/|$)/ {
       split($1, name, "/"); cpu[name[1] "/" name[2]] = $4; scenes[name[1]] = 1 }
     END { for (scene in scenes) {
             ours = cpu[scene "/Tumblewreck"]; theirs = cpu[scene "/Bullet"]
             if (ours != "" && theirs > 0) printf "%-16s %12s %12s %7.2fx\n", scene, ours, theirs, ours / theirs } }' "$results" | sort
