# The heads-up display follows the player's health: starts the GUI end-to-end game on a level with
# a player, where the probe puts up the display, measures the health bar on screen at full health
# and after a "HealthPercentage" of 0.25, and waits for its cue. The bar's run must shrink to a
# quarter, within 2 pixels. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_play_game(640 480 "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue hud-measured
${TW_CLOSE_WINDOW}")

string(REGEX MATCH "HealthRun ([0-9]+) ([0-9]+)" run "${GAME_ERRORS}")
if(NOT run)
  message(FATAL_ERROR "the probe never measured the health bar")
endif()
set(full ${CMAKE_MATCH_1})
set(quarter ${CMAKE_MATCH_2})
math(EXPR expected "${full} / 4")
math(EXPR difference "${quarter} - ${expected}")
if(full LESS 100 OR difference GREATER 2 OR difference LESS -2)
  message(FATAL_ERROR "the health bar ran ${full} pixels at full health and ${quarter} at a quarter")
endif()
