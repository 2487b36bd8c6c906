# Plays the first level through with real mouse buttons: starts the level end-to-end game on the
# shipped level, holds the right button (the breath sucks the crate ahead in), releases it, presses
# the left one (the crate is blown at the house) without moving the pointer, and waits for the game
# to end itself once the next level has loaded. The house must have died and the next level loaded.
# Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_play_game(320 240 "${TW_BREATHE_IN_AND_SHOOT}
${TW_WAIT_FOR_THE_END}
${TW_CLOSE_WINDOW}")

# The first level is named by its path; the next one by its name.
foreach(event "LevelLoaded [^\n]*Homestead\n" "Death House\n" "LevelLoaded Hillside\n")
  if(NOT GAME_ERRORS MATCHES "${event}")
    message(FATAL_ERROR "the game never reported '${event}'")
  endif()
endforeach()
