# Plays the main menu with its lamp sparks: starts the particles end-to-end game in a fresh user
# folder and waits until its probe has read back the frames and ended the game. The sparks must
# show around the lamp, rise well above the sphere they spawn in, twinkle (the counted pixels change in ten frames) and be gone once
# switched off and cleared. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_play_game(640 480 "xdotool search --sync --name '^Tumblewreck$' >/dev/null
for wait in $(seq 900)
do
  xdotool search --name '^Tumblewreck$' >/dev/null || exit 0
  sleep 0.1
done
${TW_CLOSE_WINDOW}")

# How many sparks live at a given frame depends on the frame times, which vary from run to run
# (19 to 143 pixels seen); with the sparks missing the count is 0.
string(REGEX MATCH "sparks60 ([0-9]+)" line "${GAME_ERRORS}")
if(NOT line OR CMAKE_MATCH_1 LESS 5)
  message(FATAL_ERROR "expected at least 5 spark pixels around the lamp after 60 frames: '${line}'")
endif()
# Rising sparks: pixels at least 40 above the spawn sphere's screen rectangle (none if they did not rise).
string(REGEX MATCH "risen60 ([0-9]+)" line "${GAME_ERRORS}")
if(NOT line OR CMAKE_MATCH_1 LESS 5)
  message(FATAL_ERROR "expected at least 5 spark pixels 40 pixels above the spawn sphere after 60 frames: '${line}'")
endif()
string(REGEX MATCH "sparks70 ([0-9]+) changed ([0-9]+)" line "${GAME_ERRORS}")
if(NOT line OR CMAKE_MATCH_2 EQUAL 0)
  message(FATAL_ERROR "the spark pixels did not change in ten frames: '${line}'")
endif()
string(REGEX MATCH "cleared ([0-9]+)" line "${GAME_ERRORS}")
if(NOT line OR NOT CMAKE_MATCH_1 EQUAL 0)
  message(FATAL_ERROR "spark pixels remain after the sparks were switched off and cleared: '${line}'")
endif()
