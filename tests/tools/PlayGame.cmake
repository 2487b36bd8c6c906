# Plays a game program under X for the end-to-end checks: a fresh user folder whose configuration
# starts the given level in a small window, the game run side by side with a shell script that acts
# as the player (it gets the X window tool as $0 and must close the window in the end), and the
# game's exit checked. Leaves the game's stderr in GAME_ERRORS and the user folder in USER_FOLDER;
# TW_EXTRA_CONFIG, when set, adds its elements to the configuration; TW_CONFIG, when set, is the
# whole configuration instead (the size and the level are then the game's own); TW_GAME_TIMEOUT,
# when set, gives the game longer than 100 seconds; TW_USER_LEVELS, when set, names a folder copied
# in as the user folder's "Levels" (the levels a player saved in an earlier run); TW_USER_FILES, when
# set, is a list of name and contents pairs written into the user folder first.
#   PROGRAM  the game;  LEVEL  the level's path;  CLOSER  the X window tool;  WORK  a scratch folder
function(tw_play_game width height player)
  file(REMOVE_RECURSE "${WORK}")
  set(userFolder "${WORK}/data/Tumblewreck")
  file(MAKE_DIRECTORY "${userFolder}")
  if(TW_USER_LEVELS)
    file(COPY "${TW_USER_LEVELS}/" DESTINATION "${userFolder}/Levels")
  endif()
  # The game loads levels only from its own folders, by name: a level given by its path goes into
  # the user folder's "Levels", as a level a player saved.
  set(firstLevel "${LEVEL}")
  if(IS_ABSOLUTE "${LEVEL}")
    file(COPY "${LEVEL}" DESTINATION "${userFolder}/Levels")
    get_filename_component(firstLevel "${LEVEL}" NAME)
  endif()
  if(TW_CONFIG)
    file(WRITE "${userFolder}/Tumblewreck.cfg" "${TW_CONFIG}")
  else()
    file(WRITE "${userFolder}/Tumblewreck.cfg" "<Config>
	<FirstLevel>${firstLevel}</FirstLevel>
	<Window>
		<Width>${width}</Width>
		<Height>${height}</Height>
		<Fullscreen>false</Fullscreen>
	</Window>
	${TW_EXTRA_CONFIG}
</Config>
")
  endif()
  set(files ${TW_USER_FILES})
  while(files)
    list(POP_FRONT files name contents)
    file(WRITE "${userFolder}/${name}" "${contents}")
  endwhile()
  set(ENV{XDG_DATA_HOME} "${WORK}/data")
  set(timeout 100)
  if(TW_GAME_TIMEOUT)
    set(timeout ${TW_GAME_TIMEOUT})
  endif()
  # The two commands form a pipeline, so the game reports on stderr, which both share.
  execute_process(
    COMMAND "${PROGRAM}"
    COMMAND sh -c "${player}" "${CLOSER}"
    WORKING_DIRECTORY "${WORK}"
    RESULTS_VARIABLE results
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors
    TIMEOUT ${timeout})
  message(STATUS "exit: ${results}\nstdout:\n${output}\nstderr:\n${errors}")
  if(NOT results STREQUAL "0;0")
    message(FATAL_ERROR "expected the game to end with 0 once its window was closed, got ${results}")
  endif()
  set(GAME_ERRORS "${errors}" PARENT_SCOPE)
  set(USER_FOLDER "${userFolder}" PARENT_SCOPE)
endfunction()

# A player script's wait for the game's time, for a game with the frame counter (PlayerCue.h):
# "wait_for_frames N" returns once the game has run N more frames (62 are a second of the world's
# time), or fails after five minutes.
set(TW_WAIT_FOR_FRAMES [=[
frames_run() {
  cat frames 2>/dev/null || echo 0
}
wait_for_frames() {
  until=$(($(frames_run) + $1))
  for wait in $(seq 3000)
  do
    [ "$(frames_run)" -ge $until ] && return 0
    sleep 0.1
  done
  return 1
}]=])

# A player script's walk, for a game with the frame counter: once the game has run two seconds,
# "w" held for one second of its time. Xvfb has no window manager: the keys go to the window under
# the pointer unless the game's window takes the focus, and other tests may open windows on the
# same display.
set(TW_WALK_ONE_SECOND "${TW_WAIT_FOR_FRAMES}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_frames 125 || exit 1
xdotool search --name '^Tumblewreck$' windowfocus
xdotool keydown w
wait_for_frames 62
xdotool keyup w")

# A player script's wait for a cue the game leaves in the shared working folder (PlayerCue.h):
# "wait_for_cue NAME" returns once the file is there, or fails after a minute.
set(TW_WAIT_FOR_CUE [=[
wait_for_cue() {
  for wait in $(seq 600)
  do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  return 1
}]=])

# A player script's key press and click that the game must see, for a game with the GUI probe, which
# cues "released-<n>" once it has taken the n-th release of a key or a mouse button and done all the
# release does. "press_until KEY NAME" holds the key for 0.3 s, "click_until X Y NAME" clicks the
# left button at that point in window pixels; each waits until the game has taken the release, and
# only if the game then has not left the cue (a press and release inside one long frame is never
# seen) does it press again, at most ten times: a press made again before the game took the last one
# could undo it (a second Escape closes the pause menu the first opened). For the same reason a key
# is never held past the X server's autorepeat delay (0.66 s): a repeat that reaches the game is a
# second press. The window takes the focus first: other tests may open windows.
set(TW_PRESS_UNTIL_CUE [=[
releases_taken() {
  ls | grep -c '^released-'
}
until_taken() {
  cue=$1
  shift
  for attempt in $(seq 10)
  do
    taken=$(releases_taken)
    "$@"
    for wait in $(seq 600)
    do
      [ "$(releases_taken)" -gt "$taken" ] && break
      sleep 0.1
    done
    [ -f $cue ] && return 0
  done
  return 1
}
press_key() {
  xdotool search --name '^Tumblewreck$' windowfocus
  xdotool keydown $1
  sleep 0.3
  xdotool keyup $1
}
click_at() {
  window=$(xdotool search --name '^Tumblewreck$' | head -1)
  xdotool mousemove --window $window $1 $2
  sleep 0.3
  xdotool mousedown 1
  sleep 0.3
  xdotool mouseup 1
}
press_until() {
  until_taken $2 press_key $1
}
click_until() {
  until_taken $3 click_at $1 $2
}
]=])

# A player script's click, once the game has left the cue, at the point in window pixels that the
# probe wrote to the file; the pointer stays there. The script goes into the variable.
function(tw_click_where_cued cue file out)
  set(${out} "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue ${cue} || exit 1
read x y < ${file}
window=$(xdotool search --name '^Tumblewreck$' | head -1)
xdotool mousemove --window $window $x $y
sleep 0.3
xdotool mousedown 1
sleep 0.3
xdotool mouseup 1" PARENT_SCOPE)
endfunction()

# The click on the main menu's start button, whose centre the probe writes to "start-button" once
# it has cued "menu-shown".
tw_click_where_cued(menu-shown start-button TW_CLICK_START)

# A player script's breath, pointer still, for a game with the frame counter: once the game cues
# that it plays and has run half a second, the right button held until it cues a crate taken in
# and half a second more, then the left one held until it cues the crate let out.
set(TW_BREATHE_IN_AND_SHOOT "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue playing
wait_for_frames 31
xdotool mousedown 3
wait_for_cue held
wait_for_frames 31
xdotool mouseup 3
wait_for_frames 31
xdotool mousedown 1
wait_for_cue released
xdotool mouseup 1")

# The "Pause" lines of the game's stderr ("Pause 0", "Pause 1") from the first "Pause 1" on, none
# without one: a player's start in a level unpauses what was never paused, before any press.
function(tw_pauses_from_the_first errors out)
  string(REGEX MATCHALL "Pause [01]" pauses "${errors}")
  list(FIND pauses "Pause 1" first)
  if(first EQUAL -1)
    set(pauses "")
  else()
    list(SUBLIST pauses ${first} -1 pauses)
  endif()
  set(${out} "${pauses}" PARENT_SCOPE)
endfunction()

# A player script's wait for the game to end itself, with a last close after a minute.
set(TW_WAIT_FOR_THE_END "for wait in $(seq 600)
do
  xdotool search --name '^Tumblewreck$' >/dev/null || exit 0
  sleep 0.1
done")

# The end of every player script: ask the window to close until it has gone.
set(TW_CLOSE_WINDOW [=[
for attempt in $(seq 200)
do
  "$0" close Tumblewreck >/dev/null || exit 0
  sleep 0.05
done
exit 1]=])

# The end of a player script whose game must still be running: the first close has to find the
# window, so a game that ended itself (a click that quit it) fails the run.
set(TW_CLOSE_RUNNING_WINDOW "\"$0\" close Tumblewreck >/dev/null || exit 1\n${TW_CLOSE_WINDOW}")

# Makes OpenAL Soft write the game's mix into a wave file (beside WORK, which the game's run empties)
# instead of playing it; the file's path goes into the variable. The writer keeps pace with the
# clock, so the mix grows by a second for each second the device plays. A player script then has
# "wait_for_audio SECONDS" (in TW_WAIT_FOR_AUDIO): it returns once the device has been given that
# many more seconds of the mix, and copies the mix so far to "heard.wav" in the working folder, so
# that what is measured ends where the player stopped listening, not in the game's shutdown.
function(tw_capture_sound out)
  set(audio "${WORK}-audio")
  file(REMOVE_RECURSE "${audio}")
  file(MAKE_DIRECTORY "${audio}")
  file(WRITE "${audio}/alsoft.conf" "[general]\ndrivers = wave\n[wave]\nfile = ${audio}/mix.wav\n")
  set(ENV{ALSOFT_CONF} "${audio}/alsoft.conf")
  set(${out} "${audio}/mix.wav" PARENT_SCOPE)
  # The bytes a second of the mix takes are in the header's format chunk, 28 bytes in.
  set(TW_WAIT_FOR_AUDIO "wave='${audio}/mix.wav'
mix_bytes() {
  stat -c %s \"$wave\" 2>/dev/null || echo 0
}
wait_for_audio() {
  for wait in $(seq 600)
  do
    [ $(mix_bytes) -ge 44 ] && break
    sleep 0.1
  done
  rate=$(od -An -tu4 -j28 -N4 \"$wave\" | tr -d ' ')
  until=$(($(mix_bytes) + $1 * rate))
  for wait in $(seq 3000)
  do
    written=$(mix_bytes)
    if [ $written -ge $until ]
    then
      head -c $written \"$wave\" > heard.wav
      return 0
    fi
    sleep 0.1
  done
  return 1
}" PARENT_SCOPE)
endfunction()

# The RMS of the last second of the captured mix, measured by CHECKER (the sound-file checker).
function(tw_last_second_rms wave out)
  execute_process(COMMAND "${CHECKER}" "${wave}" 1 OUTPUT_VARIABLE measured RESULT_VARIABLE checked)
  if(NOT checked EQUAL 0 OR NOT measured MATCHES "rms ([0-9.e+-]+)")
    message(FATAL_ERROR "the wave device's output cannot be read")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
