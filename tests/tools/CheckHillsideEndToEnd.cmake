# Plays the second shipped level: the player's breath takes the crate in and blows it at the hut,
# whose roof is blasted off; the level's golem walks over and puts the roof back piece by piece.
# Once the game cues the hut rebuilt, the window is closed. The hut must have come down (state 0)
# and then stood whole again (state 2).
# Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

set(TW_GAME_TIMEOUT 200)
tw_play_game(320 240 "${TW_BREATHE_IN_AND_SHOOT}
for wait in $(seq 1800)
do
  [ -f rebuilt ] && break
  sleep 0.1
done
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "LevelLoaded [^\n]*Hillside\n.*HouseState 0\n.*HouseState 2\n")
  message(FATAL_ERROR "the game never reported the hut down (HouseState 0) and then whole again (HouseState 2)")
endif()
