# Plays one breath with real mouse buttons: starts the breath end-to-end game on its test level (a
# floor, a crate 6 ahead of the player, who has Lungs, Suck and Blow), holds the right button until
# the game cues that the crate is taken in, without moving the pointer, releases it, presses the
# left one, and closes the window.
# The crate must have been taken in, then shot forward, and be ahead of where it stood at the end.
# Run with cmake -P and:
#   PROGRAM  the game with the reporting component;  LEVEL  the test level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_play_game(320 240 "${TW_BREATHE_IN_AND_SHOOT}
wait_for_frames 125
${TW_CLOSE_WINDOW}")

foreach(event "held Crate" "shot Crate")
  string(FIND "${GAME_ERRORS}" "${event}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the crate was never reported as '${event}'")
  endif()
endforeach()

set(number "[-0-9.e+]+")
string(REGEX MATCH "velocity Crate (${number}) (${number}) (${number})" shotLine "${GAME_ERRORS}")
set(vz "${CMAKE_MATCH_3}")
string(REGEX MATCH "end Crate (${number}) (${number}) (${number})" endLine "${GAME_ERRORS}")
if(NOT shotLine OR NOT endLine)
  message(FATAL_ERROR "the crate's shot velocity or its end was not reported")
endif()
# cmake has no floating-point arithmetic: the checks are worked out in awk.
execute_process(COMMAND awk "BEGIN { exit !(${vz} < -1 && ${CMAKE_MATCH_3} < -6 && ${CMAKE_MATCH_2} > -100) }" RESULT_VARIABLE forward)
if(NOT forward EQUAL 0)
  message(FATAL_ERROR "the crate was not shot forward: velocity z ${vz}, end ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3}")
endif()
