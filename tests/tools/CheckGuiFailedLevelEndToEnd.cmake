# The pause menu shows on screen after a level change that failed: "n" asks for the test level's
# next level, which does not exist, and leaves a world without a camera; Escape then opens the
# pause menu, which the probe finds on the frame drawn (its buttons' share of their rectangle) and
# keeps as "paused.png". Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path;  CLOSER  the X window tool
#   WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

get_filename_component(level "${LEVEL}" NAME)
set(TW_EXTRA_CONFIG "<Input><Button><Type>Key</Type><Name>N</Name><Key>n</Key></Button>
<Binding><Recipient>Engine</Recipient><Condition>N_TRIGGERED</Condition><Message>NextLevel()</Message></Binding></Input>")
tw_play_game(640 480 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
${TW_PRESS_UNTIL_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-${level} || exit 1
press_until n level-unloaded || exit 1
wait_for_frames 1 || exit 1
press_until Escape paused || exit 1
wait_for_cue pause-shot || exit 1
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "PauseMenuShown ([0-9.e+-]+)")
  message(FATAL_ERROR "the probe did not measure the pause menu on screen")
endif()
message(STATUS "the pause menu's buttons cover ${CMAKE_MATCH_1} of their rectangle on screen")
if(CMAKE_MATCH_1 LESS 0.5)
  message(FATAL_ERROR "after the failed level change the pause menu is not drawn (see ${WORK}/paused.png)")
endif()
if(NOT GAME_ERRORS MATCHES "NoSuchLevel")
  message(FATAL_ERROR "the level change to the missing level was not reported")
endif()
