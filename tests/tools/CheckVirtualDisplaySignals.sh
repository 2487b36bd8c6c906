#!/usr/bin/env bash
# A game run on a virtual display of its own, as scripts/play.sh runs it without a display: a signal
# that ends a process, sent to the script alone, or Ctrl+C, reaches the game while its display still
# answers, the script ends once the game has, with the game's status, and the display stops after
# it, its folder gone. The display's cookie is never on xauth's command line. Arguments: the
# virtual-display script, a scratch folder (emptied first).
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
# The stand-in game says whether its display answers when it starts and when a signal ends it, then
# dies of the signal, as the game does, without a core file. Arguments: the record, the signals it
# takes; given none, it dies at once of the first signal.
cat >"$work/game" <<'EOF'
#!/usr/bin/env bash
ulimit -c 0
record="$1"
shift
answers() { xdpyinfo >/dev/null 2>&1 && echo "on a display" || echo "without a display"; }
end_on() {
  echo "$1 $(answers)" >"$record"
  # Bash ignores QUIT even untrapped; sh does not.
  exec sh -c 'kill -s "$1" $$' _ "$1"
}
for signal in "$@"; do
  trap "end_on $signal" "$signal"
done
# Written in one go by the shell itself: a bash that waits for a program as the INT comes, and
# sees the program end well, takes the INT as handled and lives on.
echo "$$ $(answers)" >"$record.started"
[ $# -gt 0 ] || exec sleep infinity
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

signals=(TERM INT HUP QUIT USR1 USR2 ALRM)
# Each signal sent to the script alone, then INT to its whole process group, as Ctrl+C sends it.
# A game that dies of it at once may be collected by the shell before the script's own INT is
# handled, so that case is run a few times.
cases=("${signals[@]}" "INT to the group")
for run in 1 2 3 4 5 6; do
  cases+=("INT to the group, the game dying at once, run $run")
done
failures=()
for sent in "${cases[@]}"; do
  signal=${sent%% *} record="$work/${sent//[ ,]/-}" taken=("${signals[@]}")
  [[ "$sent" != *"at once"* ]] || taken=()
  # Started as from a terminal: INT and QUIT not ignored, a process group of its own.
  (
    unset DISPLAY
    export PATH="$work/bin:$PATH" TMPDIR="$work/tmp"
    exec setsid env --default-signal=INT,QUIT bash -c 'source "$1"; tw_run_on_a_display "${@:2}"' _ "$helper" "$work/game" "$record" "${taken[@]}"
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
  status=0
  # Without the shell's line on how the script died.
  { wait "$script" || status=$?; } 2>/dev/null
  [ "$status" -eq $((128 + $(kill -l "$signal"))) ] || failures+=("$sent: the script ended with status $status, not the game's")
  [ "$started" == "on a display" ] || failures+=("$sent: the game started $started")
  if [ "${#taken[@]}" -gt 0 ]; then
    ended=$(cat "$record" 2>/dev/null || echo "nothing")
    [ "$ended" == "$signal on a display" ] || failures+=("$sent: the game was ended by $ended, not by $signal on a display")
  fi
  ! kill -0 "$game" 2>/dev/null || failures+=("$sent: the game is still running")
  kill -s KILL "$game" 2>/dev/null || true
  # The display's authority file lies in the scratch folder; its watcher names the folder.
  if ! wait_for "! pgrep -f -- '$work/tmp/' >/dev/null && [ -z \"\$(ls -A '$work/tmp')\" ]"; then
    failures+=("$sent: a minute after the game, still there: $(pgrep -a -f -- "$work/tmp/") $(ls -A "$work/tmp")")
    for left in $(pgrep -f -- "$work/tmp/"); do
      kill -s KILL "$left" 2>/dev/null || true
    done
    rm -rf "${work:?}"/tmp/*
  fi
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
