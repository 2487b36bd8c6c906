# Plays a level with bodies: starts the physics end-to-end game on its test level (a floor, three
# boxes dropped onto it, a player with a character controller) in a fresh user folder, lets the
# boxes settle, holds "w" for one second through xdotool and closes the window as a window manager
# does. The player must have walked a plausible distance and every box must sleep on the floor.
# Run with cmake -P and:
#   PROGRAM  the game with the reporting component;  LEVEL  the test level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# Let the boxes settle, walk for one second, let the player stop, close.
tw_play_game(320 240 "${TW_WALK_ONE_SECOND}
wait_for_frames 125
${TW_CLOSE_WINDOW}")

# "start|end NAME x y z asleep|awake"
set(number "[-0-9.e+]+")
function(placement when name out)
  string(REGEX MATCH "${when} ${name} (${number}) (${number}) (${number}) ([a-z]+)" line "${GAME_ERRORS}")
  if(NOT line)
    message(FATAL_ERROR "no ${when} placement of ${name} was reported")
  endif()
  set(${out} "${CMAKE_MATCH_1};${CMAKE_MATCH_2};${CMAKE_MATCH_3};${CMAKE_MATCH_4}" PARENT_SCOPE)
endfunction()

placement(start Player startPlayer)
placement(end Player endPlayer)
list(GET startPlayer 0 x0)
list(GET startPlayer 2 z0)
list(GET endPlayer 0 x1)
list(GET endPlayer 2 z1)
# cmake has no floating-point arithmetic: the horizontal distance walked is worked out in awk.
execute_process(COMMAND awk "BEGIN { d = sqrt((${x1} - ${x0})^2 + (${z1} - ${z0})^2); print d; exit !(d > 1.0 && d < 8.0) }"
  RESULT_VARIABLE walkedOk OUTPUT_VARIABLE walked OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT walkedOk EQUAL 0)
  message(FATAL_ERROR "the player walked ${walked} units with \"w\" held for one second; expected 1 to 8")
endif()

foreach(box Box1 Box2 Box3)
  placement(end ${box} endBox)
  list(GET endBox 1 y)
  list(GET endBox 3 state)
  if(NOT state STREQUAL "asleep")
    message(FATAL_ERROR "${box} is still awake at the end")
  endif()
  execute_process(COMMAND awk "BEGIN { exit !(${y} > 0.4 && ${y} < 0.6) }" RESULT_VARIABLE onFloor)
  if(NOT onFloor EQUAL 0)
    message(FATAL_ERROR "${box} ended at height ${y}, not resting on the floor (0.5)")
  endif()
endforeach()
