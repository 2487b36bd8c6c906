# Plays the main menu: starts the GUI end-to-end game on the shipped MainMenu level in a wide
# window (the 4:3 menu stands between side bars), waits until the probe has measured the start
# button on screen, clicks it with xdotool where the probe found it, and waits for the next level
# to play, which must still be running when the player closes it (a click on Start never quits).
# The button's colour must cover at least 90% of its rectangle, which the level alone does not
# show there. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_play_game(960 540 "${TW_CLICK_START}
wait_for_cue ready || exit 1
${TW_CLOSE_RUNNING_WINDOW}")

string(REGEX MATCH "Shown ([0-9.e-]+)" shown "${GAME_ERRORS}")
string(REGEX MATCH "Behind ([0-9.e-]+)" behind "${GAME_ERRORS}")
if(NOT shown OR NOT behind)
  message(FATAL_ERROR "the probe never measured the start button")
endif()
string(REGEX REPLACE "Shown " "" shown "${shown}")
string(REGEX REPLACE "Behind " "" behind "${behind}")
if(shown LESS 0.9)
  message(FATAL_ERROR "the start button's colour covers only ${shown} of its rectangle on screen (see ${WORK}/menu.png)")
endif()
if(NOT behind LESS 0.1)
  message(FATAL_ERROR "the level alone shows the button's colour on ${behind} of its rectangle")
endif()
if(NOT EXISTS "${WORK}/menu.png")
  message(FATAL_ERROR "the probe kept no menu.png")
endif()
if(NOT GAME_ERRORS MATCHES "LevelLoaded Homestead\n")
  message(FATAL_ERROR "clicking start never loaded the next level")
endif()
