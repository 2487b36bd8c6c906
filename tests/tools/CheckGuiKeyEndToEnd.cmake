# A key reaches a page's script: starts the GUI end-to-end game on a level whose page sends every
# key pressed, in a message it builds, to a reporting component; presses "a" with xdotool and
# waits for the report. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# A key pressed before the page has set its handler is not reported: pressed again after some
# frames until it is.
tw_play_game(320 240 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-GuiKeyEndToEnd || exit 1
xdotool search --name '^Tumblewreck$' windowfocus
for attempt in $(seq 20)
do
  xdotool key a
  wait_for_frames 30
  [ -f key-65 ] && break
done
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "Key 65\n")
  message(FATAL_ERROR "the page's script never reported the key")
endif()
