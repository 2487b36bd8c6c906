# Plays the real game on a level of behaviour trees (composites of every kind, one node of a type
# no one registered): it must build the trees, run them, and end with 0 when its window closes.
# Run with cmake -P and:
#   PROGRAM  the game;  LEVEL  the test level's path;  CLOSER  the X window tool;  WORK  a scratch folder
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# A close is obeyed in the first frame after the level has loaded: the trees are built and run.
tw_play_game(320 240 "xdotool search --sync --name '^Tumblewreck$' >/dev/null
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "object 'Oddity' \\([0-9]+\\): no behaviour is registered as \"Mystery\"")
  message(FATAL_ERROR "the level's trees were not built: the unknown node of 'Oddity' was never reported")
endif()
