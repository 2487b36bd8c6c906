# Plays the game with real key presses: starts the input end-to-end game on its test level in a
# fresh user folder, holds "w" through xdotool, closes the window as a window manager does and
# checks what the player's object received and what the game wrote. Run with cmake -P and:
#   PROGRAM  the game with the recording component;  LEVEL  the test level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
file(REMOVE_RECURSE "${WORK}")
set(userFolder "${WORK}/data/Tumblewreck")
file(MAKE_DIRECTORY "${userFolder}")
file(WRITE "${userFolder}/Tumblewreck.cfg" "<Config>
	<FirstLevel>${LEVEL}</FirstLevel>
	<Window>
		<Width>640</Width>
		<Height>480</Height>
		<Fullscreen>false</Fullscreen>
	</Window>
</Config>
")
set(ENV{XDG_DATA_HOME} "${WORK}/data")

# Side by side with the game: wait for its window (Xvfb has no window manager, so it has the
# focus), press "w", then ask the window to close until it has gone.
set(player [=[
xdotool search --sync --name '^Tumblewreck$' >/dev/null
sleep 1
xdotool key --delay 100 w w w
sleep 0.5
for attempt in $(seq 200)
do
  "$0" close Tumblewreck >/dev/null || exit 0
  sleep 0.05
done
exit 1]=])
# The two commands form a pipeline, so the game reports on stderr, which both share.
execute_process(
  COMMAND "${PROGRAM}"
  COMMAND sh -c "${player}" "${CLOSER}"
  WORKING_DIRECTORY "${WORK}"
  RESULTS_VARIABLE results
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 100)
message(STATUS "exit: ${results}\nstdout:\n${output}\nstderr:\n${errors}")

if(NOT results STREQUAL "0;0")
  message(FATAL_ERROR "expected the game to end with 0 once its window was closed, got ${results}")
endif()
string(REGEX MATCH "MoveForward [-]?[1-9][0-9.]*" move "${errors}")
if(NOT move)
  message(FATAL_ERROR "the player never received MoveForward with a non-zero argument")
endif()
file(READ "${userFolder}/Tumblewreck.cfg" configuration)
foreach(element Window Input)
  if(NOT configuration MATCHES "<${element}[ />]")
    message(FATAL_ERROR "the configuration written on exit has no ${element} element:\n${configuration}")
  endif()
endforeach()
