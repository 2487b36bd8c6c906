#!/usr/bin/env bash
# Ten starts of the game without a display, side by side, as scripts/play.sh starts it, while ten
# other virtual displays start beside them as `xvfb-run -a` starts one. Every start must reach the
# main menu, having said which display it runs on, and stop its server. Arguments: the
# virtual-display script, the start-up probe, a scratch folder (emptied first).
set -euo pipefail
helper="$1" probe="$2" work="$3"
starts=10
rm -rf "$work"
mkdir -p "$work/tmp"

start_unseen() {
  (
    unset DISPLAY
    export XDG_DATA_HOME="$work/data$1" TMPDIR="$work/tmp"
    source "$helper"
    tw_run_on_a_display "$probe" 5
  ) >"$work/out$1" 2>"$work/err$1"
}

others=()
games=()
for start in $(seq "$starts"); do
  xvfb-run -a -s "-screen 0 320x240x24" sleep 2 >/dev/null 2>&1 &
  others+=($!)
  start_unseen "$start" &
  games+=($!)
done

failures=()
for start in $(seq "$starts"); do
  status=0
  wait "${games[$((start - 1))]}" || status=$?
  display=$(sed -n 's/^No display here: Tumblewreck runs on the virtual display \(:[0-9]*\) .*/\1/p' "$work/err$start")
  if [ "$status" -ne 0 ] || ! grep -qx "LevelLoaded MainMenu" "$work/out$start" || [ -z "$display" ]; then
    failures+=("start $start (exit $status, display '${display}'):
$(cat "$work/err$start")")
  fi
done
wait "${others[@]}" || true

for failure in "${failures[@]}"; do
  echo "$failure" >&2
done
left_running() {
  local process command
  for process in /proc/[0-9]*; do
    command=$(tr '\0' ' ' 2>/dev/null <"$process/cmdline") || continue
    [[ "$command" != *"$work/tmp"* ]] || echo "$command"
  done
}
# Every server was given an authority file in the scratch folder, and is stopped just after its
# game by a watcher that names the folder too; a busy machine takes a while, never a minute.
deadline=$((SECONDS + 60))
while left=$(left_running) && [ -n "$left" ] && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 0.1
done
if [ -n "$left" ]; then
  echo "a virtual display was left running: $left" >&2
  failures+=(left)
fi
[ "${#failures[@]}" -eq 0 ]
