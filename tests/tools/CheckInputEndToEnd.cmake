# Plays the game with real key presses: starts the input end-to-end game on its test level in a
# fresh user folder, holds "w" through xdotool, closes the window as a window manager does and
# checks what the player's object received and what the game wrote. Run with cmake -P and:
#   PROGRAM  the game with the recording component;  LEVEL  the test level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# Once the level has started, tap "w" and close the window as soon as the player has moved: each
# tap is shorter than a slow frame, which must not lose it.
tw_play_game(640 480 "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue recording || exit 1
xdotool search --name '^Tumblewreck$' windowfocus
xdotool key --delay 100 w w w
wait_for_cue moved
${TW_CLOSE_WINDOW}")

string(REGEX MATCH "MoveForward [-]?[1-9][0-9.]*" move "${GAME_ERRORS}")
if(NOT move)
  message(FATAL_ERROR "the player never received MoveForward with a non-zero argument")
endif()
file(READ "${USER_FOLDER}/Tumblewreck.cfg" configuration)
foreach(element Window Input)
  if(NOT configuration MATCHES "<${element}[ />]")
    message(FATAL_ERROR "the configuration written on exit has no ${element} element:\n${configuration}")
  endif()
endforeach()
