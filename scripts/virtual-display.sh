# Sourced by scripts/play.sh and scripts/test.sh: an Xvfb virtual display for a machine without
# one. The server picks its display number itself, so that no other server starting beside it can
# take the number between the choice and the start, as happens to `xvfb-run -a`.

tw_virtual_display_pid=""
tw_virtual_display_folder=""
# The signals that end a process and that a user or another program sends: each stops the display.
# Bash ignores QUIT unless it is trapped.
tw_virtual_display_signals=(HUP INT QUIT ALRM TERM USR1 USR2)

# Starts Xvfb with the given server options, waits until it accepts clients and exports DISPLAY and
# XAUTHORITY naming it. The server is stopped when the shell exits or is interrupted: this sets the
# EXIT trap and those of tw_virtual_display_signals, so call it in a script or subshell that sets
# none. Fails, with the server's own words, when it does not come up.
tw_start_virtual_display() {
  local cookie number="" deadline=$((SECONDS + 30))
  tw_virtual_display_folder=$(mktemp -d "${TMPDIR:-/tmp}/tw-display.XXXXXX")
  local authority="$tw_virtual_display_folder/Xauthority"
  local numberFile="$tw_virtual_display_folder/number" log="$tw_virtual_display_folder/Xvfb.log"
  # A shell ended by a signal skips its EXIT trap unless the signal is turned into an exit.
  trap tw_stop_virtual_display EXIT
  local signal
  for signal in "${tw_virtual_display_signals[@]}"; do
    trap "exit $((128 + $(kill -l "$signal")))" "$signal"
  done

  # The server takes every cookie of its authority file, whatever display the entry names; a
  # client looks its cookie up by display number, so the entry is added again once that is known.
  cookie=$(mcookie)
  : >"$authority"
  tw_add_cookie "$authority" 0 "$cookie"
  : >"$numberFile"
  # -displayfd: the server takes the first display number whose socket it can bind (on Linux an
  # abstract socket, which a second server cannot bind too) and writes it, with a newline, once it
  # accepts clients.
  # In a session of its own: Ctrl+C or a closed terminal reaches the game, not the server, which is
  # stopped once the game has ended.
  setsid Xvfb -displayfd 3 -auth "$authority" "$@" 3>"$numberFile" >"$log" 2>&1 &
  tw_virtual_display_pid=$!
  # read fails until the whole line is there.
  until read -r number <"$numberFile"; do
    if ! kill -0 "$tw_virtual_display_pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
      echo "The virtual display (Xvfb $*) did not start:" >&2
      cat "$log" >&2
      return 1
    fi
    sleep 0.05
  done
  tw_add_cookie "$authority" "$number" "$cookie"
  export DISPLAY=":$number" XAUTHORITY="$authority"
}

# Adds the cookie for the display number to the authority file. xauth reads it on its standard
# input (printf is the shell's own): on a command line, every user could read it.
tw_add_cookie() {
  printf 'add :%s . %s\n' "$2" "$3" | xauth -q -f "$1" source -
}

tw_stop_virtual_display() {
  if [ -n "$tw_virtual_display_pid" ]; then
    kill "$tw_virtual_display_pid" 2>/dev/null || true
    wait "$tw_virtual_display_pid" 2>/dev/null || true
    tw_virtual_display_pid=""
  fi
  if [ -n "$tw_virtual_display_folder" ]; then
    rm -rf "$tw_virtual_display_folder"
    tw_virtual_display_folder=""
  fi
}

# Runs the game (its path and arguments) on the display, or, when there is none, on a virtual one
# of its own, unseen, after one line that says which; then the game takes the shell's place, so
# nothing after this call runs.
tw_run_on_a_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
    return
  fi
  # -noreset: by default the server resets whenever its last client disconnects, and a client
  # connecting in that moment cannot open the display; SDL opens it once to look and then again.
  tw_start_virtual_display -screen 0 1280x1024x24 -noreset
  echo "No display here: Tumblewreck runs on the virtual display $DISPLAY (Xvfb, 1280x1024), unseen; Ctrl+C ends it." >&2
  tw_stop_virtual_display_after_this_process
  # The game takes the shell's place, so a signal sent to the script is the game's own, and whoever
  # started the script gets the game's status. A shell that waited for the game could not promise
  # that: bash's wait loses the status of a child that ends as a signal the shell traps comes in,
  # as Ctrl+C sends INT to both.
  exec "$@"
}

# Leaves the display to a watcher in a session of its own, which no signal to this process or its
# group reaches: it stops the display once this process, or what it execs, has ended, however it
# ends. It reads a pipe whose writing end only this process holds, until the end closes.
tw_stop_virtual_display_after_this_process() {
  local watched
  exec {watched}> >(exec setsid sh -c 'cat >/dev/null; kill "$1"; rm -rf "$2"' _ \
    "$tw_virtual_display_pid" "$tw_virtual_display_folder" >/dev/null 2>&1)
  trap - EXIT
}
