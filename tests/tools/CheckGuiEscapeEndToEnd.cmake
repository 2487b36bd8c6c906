# Plays the shipped game from the main menu in a window of WIDTH x HEIGHT: "Start" clicked where the
# probe found it, then in Homestead Escape opens the pause menu, whose veil must darken the whole
# window's outer border, and Escape again must close it as "Resume" does, for good: exactly one
# "Pause" true, then one "Pause" false. Run with cmake -P and:
#   PROGRAM  the game with the probe;  CLOSER  the X window tool;  WORK  a scratch folder, emptied first
#   LEVEL  the main menu level's path;  WIDTH, HEIGHT  the window's size
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

set(TW_EXTRA_CONFIG "<GuiProbe><Resume>true</Resume></GuiProbe>")
set(TW_GAME_TIMEOUT 150)
tw_play_game(${WIDTH} ${HEIGHT} "${TW_CLICK_START}
${TW_PRESS_UNTIL_CUE}
wait_for_cue ready || exit 1
press_until Escape paused || exit 1
wait_for_cue veil-measured || exit 1
wait_for_cue paused-second || exit 1
press_until Escape resumed || exit 1
${TW_WAIT_FOR_THE_END}
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "LevelLoaded Homestead\n")
  message(FATAL_ERROR "clicking start never loaded Homestead")
endif()
tw_pauses_from_the_first("${GAME_ERRORS}" pauses)
if(NOT pauses STREQUAL "Pause 1;Pause 0")
  message(FATAL_ERROR "two presses of Escape should pause and resume once each, the game sent: ${pauses}")
endif()
if(NOT GAME_ERRORS MATCHES "VeilCover ([0-9.e+-]+)" OR CMAKE_MATCH_1 LESS 0.98)
  message(FATAL_ERROR "the pause menu's veil darkens ${CMAKE_MATCH_1} of the window's border (see ${WORK}/pause.png)")
endif()
