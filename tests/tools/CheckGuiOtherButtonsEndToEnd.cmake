# Plays the shipped game from the main menu with the mouse's other buttons: the right button (the
# suck button) and the middle one, pressed and released on every button of the main menu and then
# on every button of the pause menu in Homestead, must press none of them. The pages' buttons report
# their mouse events: each must see the right and the middle button go down and up on it, as those
# buttons (2 and 1), and no click but the left button's on "Start", which alone leads on. Only the
# Escape press pauses: the levels loaded are the main menu and Homestead alone, no "Pause" false
# follows the pause, and the game still runs when the player closes it. Run with cmake -P and:
#   PROGRAM  the game with the probe;  CLOSER  the X window tool;  WORK  a scratch folder, emptied first
#   LEVEL  the main menu level's path
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# "other_clicks FILE": at each "x y" line of the file the probe wrote, the right button, then the
# middle one, each held across frames.
set(other_clicks [=[
other_clicks() {
  window=$(xdotool search --name '^Tumblewreck$' | head -1)
  while read x y
  do
    xdotool mousemove --window $window $x $y
    wait_for_frames 2
    for button in 3 2
    do
      xdotool mousedown $button
      wait_for_frames 2
      xdotool mouseup $button
      wait_for_frames 2
    done
  done < $1
}]=])

set(TW_EXTRA_CONFIG "<GuiProbe><Resume>true</Resume><ReportPresses>true</ReportPresses></GuiProbe>")
set(TW_GAME_TIMEOUT 150)
tw_play_game(1024 768 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
${TW_PRESS_UNTIL_CUE}
${other_clicks}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue menu-shown || exit 1
other_clicks menu-buttons
wait_for_frames 62
${TW_CLICK_START}
wait_for_cue ready || exit 1
press_until Escape paused || exit 1
wait_for_cue veil-measured || exit 1
other_clicks pause-buttons
wait_for_frames 62
${TW_CLOSE_RUNNING_WINDOW}")

file(STRINGS "${WORK}/menu-buttons" menuButtons)
file(STRINGS "${WORK}/pause-buttons" pauseButtons)
list(LENGTH menuButtons menuCount)
list(LENGTH pauseButtons pauseCount)
if(NOT menuCount EQUAL 3 OR NOT pauseCount EQUAL 4)
  message(FATAL_ERROR "the probe found ${menuCount} buttons on the main menu and ${pauseCount} on the pause menu, not 3 and 4")
endif()
# The events each button saw, in the order the player made them: the right and the middle button on
# each, top to bottom, and between the two menus the left click on "Start".
set(expected "")
foreach(button start options quit LEFT_CLICK resume restart mainMenu quit)
  if(button STREQUAL "LEFT_CLICK")
    list(APPEND expected "mousedown 0 start" "mouseup 0 start" "click 0 start")
    continue()
  endif()
  foreach(number 2 1)
    list(APPEND expected "mousedown ${number} ${button}" "mouseup ${number} ${button}")
  endforeach()
endforeach()
string(REGEX MATCHALL "Press [a-z]+ [0-9] [A-Za-z]+" presses "${GAME_ERRORS}")
list(TRANSFORM presses REPLACE "^Press " "")
if(NOT presses STREQUAL expected)
  message(FATAL_ERROR "the menus' buttons saw the mouse events\n  ${presses}\nnot\n  ${expected}")
endif()
string(REGEX MATCHALL "LevelLoaded [A-Za-z]+" levels "${GAME_ERRORS}")
if(NOT levels STREQUAL "LevelLoaded MainMenu;LevelLoaded Homestead")
  message(FATAL_ERROR "the other buttons changed levels: ${levels}")
endif()
tw_pauses_from_the_first("${GAME_ERRORS}" pauses)
if(NOT pauses)
  message(FATAL_ERROR "Escape never paused the game")
endif()
if(pauses MATCHES "Pause 0")
  message(FATAL_ERROR "the other buttons on the pause menu resumed the game: ${pauses}")
endif()
