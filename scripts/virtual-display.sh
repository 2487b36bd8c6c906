# Sourced by scripts/play.sh and scripts/test.sh: an Xvfb virtual display for a machine without
# one. The server picks its display number itself, so that no other server starting beside it can
# take the number between the choice and the start, as happens to `xvfb-run -a`.

tw_virtual_display_pid=""
tw_virtual_display_folder=""

# Starts Xvfb with the given server options, waits until it accepts clients and exports DISPLAY and
# XAUTHORITY naming it. The server is stopped when the shell exits or is interrupted: this sets the
# EXIT, INT and TERM traps, so call it in a script or subshell that sets none. Fails, with the
# server's own words, when it does not come up.
tw_start_virtual_display() {
  local cookie number="" deadline=$((SECONDS + 30))
  tw_virtual_display_folder=$(mktemp -d "${TMPDIR:-/tmp}/tw-display.XXXXXX")
  local authority="$tw_virtual_display_folder/Xauthority"
  local numberFile="$tw_virtual_display_folder/number" log="$tw_virtual_display_folder/Xvfb.log"
  # A shell ended by a signal skips its EXIT trap unless the signal is turned into an exit.
  trap tw_stop_virtual_display EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM

  # The server takes every cookie of its authority file, whatever display the entry names; a
  # client looks its cookie up by display number, so the entry is added again once that is known.
  cookie=$(mcookie)
  : >"$authority"
  xauth -q -f "$authority" add :0 . "$cookie"
  : >"$numberFile"
  # -displayfd: the server takes the first display number whose socket it can bind (on Linux an
  # abstract socket, which a second server cannot bind too) and writes it, with a newline, once it
  # accepts clients.
  Xvfb -displayfd 3 -auth "$authority" "$@" 3>"$numberFile" >"$log" 2>&1 &
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
  xauth -q -f "$authority" add ":$number" . "$cookie"
  export DISPLAY=":$number" XAUTHORITY="$authority"
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
  "$@"
}
