#!/usr/bin/env bash
# A game run on a virtual display of its own, as scripts/play.sh runs it without a display: a TERM,
# INT or HUP sent to the script alone, or Ctrl+C, reaches the game while its display still answers,
# the script ends once the game has, and the display stops after it. The display's cookie is never on xauth's
# command line. Arguments: the virtual-display script, a scratch folder (emptied first).
set -euo pipefail
helper="$1" work="$2"
rm -rf "$work"
mkdir -p "$work/bin" "$work/tmp"

# xauth as it is, keeping its command lines.
cat >"$work/bin/xauth" <<EOF
#!/usr/bin/env bash
printf '%s\n' "\$*" >>"$work/xauth-arguments"
exec $(command -v xauth) "\$@"
EOF
# The stand-in game says whether its display answers when it starts and when a signal ends it.
cat >"$work/game" <<'EOF'
#!/usr/bin/env bash
record="$1"
answers() { xdpyinfo >/dev/null 2>&1 && echo "on a display" || echo "without a display"; }
for signal in INT TERM HUP; do
  trap "echo \"$signal \$(answers)\" >'$record'; exit 0" "$signal"
done
echo "$$ $(answers)" >"$record.tmp"
mv "$record.tmp" "$record.started"
while :; do sleep 0.1; done
EOF
chmod +x "$work/bin/xauth" "$work/game"

# Waits, at most a minute, for the condition; a busy machine is slow, never that slow.
wait_for() {
  local deadline=$((SECONDS + 60))
  until eval "$1"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

running() {
  local state
  state=$(ps -o stat= -p "$1") && [[ "$state" != Z* ]]
}

failures=()
# Each signal sent to the script alone, then INT to its whole process group, as Ctrl+C sends it.
for sent in TERM INT HUP "INT to the group"; do
  signal=${sent%% *} record="$work/${sent// /-}"
  # Started as from a terminal: INT not ignored, a process group of its own.
  (
    unset DISPLAY
    export PATH="$work/bin:$PATH" TMPDIR="$work/tmp"
    exec setsid env --default-signal=INT bash -c 'source "$1"; tw_run_on_a_display "$2" "$3"' _ "$helper" "$work/game" "$record"
  ) >"$record.out" 2>&1 &
  script=$!
  if ! wait_for "[ -s '$record.started' ]"; then
    failures+=("$sent: the game never started: $(cat "$record.out")")
    kill -s KILL -- "-$script" 2>/dev/null || true
    continue
  fi
  read -r game started <"$record.started"
  if [ "$sent" == "$signal" ]; then
    kill -s "$signal" "$script"
  else
    kill -s "$signal" -- "-$script"
  fi
  if ! wait_for "! running $script"; then
    failures+=("$sent: the script was still running a minute after the signal")
    kill -s KILL -- "-$script" 2>/dev/null || true
  fi
  wait "$script" || true
  [ "$started" == "on a display" ] || failures+=("$sent: the game started $started")
  ended=$(cat "$record" 2>/dev/null || echo "nothing")
  [ "$ended" == "$signal on a display" ] || failures+=("$sent: the game was ended by $ended, not by $signal on a display")
  ! kill -0 "$game" 2>/dev/null || failures+=("$sent: the game is still running")
  kill -s KILL "$game" 2>/dev/null || true
  # The display's authority file lies in the scratch folder.
  for display in $(pgrep -f -- "^Xvfb .*$work/tmp/"); do
    failures+=("$sent: the virtual display was left running: $(tr '\0' ' ' <"/proc/$display/cmdline")")
    kill -s KILL "$display" 2>/dev/null || true
  done
done

if ! [ -s "$work/xauth-arguments" ]; then
  failures+=("xauth was never run")
elif grep -E '[0-9a-f]{32}' "$work/xauth-arguments" >/dev/null; then
  failures+=("a cookie was on xauth's command line: $(grep -E '[0-9a-f]{32}' "$work/xauth-arguments" | head -1)")
fi
for failure in "${failures[@]}"; do
  echo "$failure" >&2
done
[ "${#failures[@]}" -eq 0 ]
