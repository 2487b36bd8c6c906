#!/usr/bin/env bash
# Every program the scripts and tests run (TW_PROGRAMS) is installed by the set-up: the package that
# owns it is one that scripts/packages.sh installs, one those depend on, however deeply, or one
# that every Debian system has. Argument: scripts/packages.sh.
set -euo pipefail
source "$1"

declare -A provided
# What the packages pull in: apt-cache prints each package of the closure at the start of a line.
while read -r package; do
  provided[${package%%:*}]=1
done < <(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
  --no-breaks --no-replaces --no-enhances "${TW_PACKAGES[@]}" | grep -v '^[ <]')
while read -r package essential priority; do
  [ "$essential" != yes ] && [ "$priority" != required ] || provided[$package]=1
done < <(dpkg-query -W -f '${Package} ${Essential} ${Priority}\n')

# The packages that own the file. With /bin merged into /usr/bin, dpkg may know a file by either
# name, and a link (an alternative) by the name of the file it leads to.
owners() {
  local path
  for path in "$1" "$(readlink -f "$1")"; do
    for path in "$path" "${path#/usr}" "/usr${path#/usr}"; do
      dpkg-query -S "$path" 2>/dev/null | grep -v '^diversion by' | sed 's/: .*//; s/, /\n/g; s/:[^ ]*//g' && return
    done
  done
  return 1
}

failures=()
for program in "${TW_PROGRAMS[@]}"; do
  if ! path=$(command -v "$program"); then
    failures+=("$program is not installed")
  elif ! packages=$(owners "$path"); then
    failures+=("$program ($path) belongs to no package")
  else
    found=""
    for package in $packages; do
      [ -z "${provided[$package]:-}" ] || found=$package
    done
    [ -n "$found" ] || failures+=("$program comes with $(echo $packages), which the set-up neither installs nor pulls in")
  fi
done
for failure in "${failures[@]}"; do
  echo "$failure" >&2
done
[ "${#failures[@]}" -eq 0 ]
