# Sourced by scripts/play.sh and scripts/test.sh: an Xvfb virtual display for a machine without
# one. The server picks its display number itself, so that no other server starting beside it can
# take the number between the choice and the start, as happens to `xvfb-run -a`.

tw_virtual_display_pid=""
tw_virtual_display_folder=""
tw_virtual_display_game=""

# Starts Xvfb with the given server options, waits until it accepts clients and exports DISPLAY and
# XAUTHORITY naming it. The server is stopped when the shell exits or is interrupted: this sets the
# EXIT, INT, TERM and HUP traps, so call it in a script or subshell that sets none. Fails, with the
# server's own words, when it does not come up.
tw_start_virtual_display() {
  local cookie number="" deadline=$((SECONDS + 30))
  tw_virtual_display_folder=$(mktemp -d "${TMPDIR:-/tmp}/tw-display.XXXXXX")
  local authority="$tw_virtual_display_folder/Xauthority"
  local numberFile="$tw_virtual_display_folder/number" log="$tw_virtual_display_folder/Xvfb.log"
  # A shell ended by a signal skips its EXIT trap unless the signal is turned into an exit.
  trap tw_stop_virtual_display EXIT
  tw_exit_on_signals

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

tw_exit_on_signals() {
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
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
# of its own, unseen, after one line that says which.
tw_run_on_a_display() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
    return
  fi
  # -noreset: by default the server resets whenever its last client disconnects, and a client
  # connecting in that moment cannot open the display; SDL opens it once to look and then again.
  tw_start_virtual_display -screen 0 1280x1024x24 -noreset
  echo "No display here: Tumblewreck runs on the virtual display $DISPLAY (Xvfb, 1280x1024), unseen; Ctrl+C ends it." >&2
  # The game runs beside the shell, which waits for it and so can take a signal sent to the script
  # alone: the game gets it, and the display stops once the game has ended. A command started in
  # the background of a script ignores INT and QUIT, and reads nothing: the game gets them back,
  # so that Ctrl+C ends it, and keeps the script's standard input.
  env --default-signal=INT,QUIT "$@" <&0 &
  tw_virtual_display_game=$!
  local signal status=0
  for signal in INT TERM HUP; do
    trap "tw_end_game_on $signal" "$signal"
  done
  wait "$tw_virtual_display_game" || status=$?
  tw_exit_on_signals
  return "$status"
}

# Sends the signal to the game and ends the shell with the game's status once the game has ended;
# the EXIT trap then stops the display.
tw_end_game_on() {
  local status=0
  kill -s "$1" "$tw_virtual_display_game" 2>/dev/null || true
  # A wait cut short by another signal is taken up again.
  while kill -0 "$tw_virtual_display_game" 2>/dev/null; do
    status=0
    wait "$tw_virtual_display_game" || status=$?
  done
  exit "$status"
}
