# Plays the game with real key presses: starts the input end-to-end game on its test level in a
# fresh user folder, holds "w" through xdotool, closes the window as a window manager does and
# checks what the player's object received and what the game wrote. Run with cmake -P and:
#   PROGRAM  the game with the recording component;  LEVEL  the test level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# Wait for the game's window (Xvfb has no window manager, so it has the focus), press "w", close.
tw_play_game(640 480 "xdotool search --sync --name '^Tumblewreck$' >/dev/null
sleep 1
xdotool key --delay 100 w w w
sleep 0.5
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
