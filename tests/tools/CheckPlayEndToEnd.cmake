# Plays the game as a new player does: a configuration that only unmutes the sound, so the game
# starts full screen on the shipped main menu. Once the probe has found the start button, the
# pointer goes onto it (at POINTER, the percentages of its width and height) and clicks; the level
# that follows must look where its file says, whatever the pointer's place; with AT_ONCE set the
# pointer is moved and clicked in one go, so the motion and the click reach the menu's last frame
# together. With PLAY set the level is then played with the mouse alone, the pointer left where it
# was: the right button held until the crate ahead is taken in, the left one until it is shot at
# the house. The house's pieces must have flown more than a unit and lie still on the floor, the
# heads-up display must show the goal met and the next level must load; nothing but the probe and
# the sound device may speak.
# Run with cmake -P and:
#   PROGRAM  the game with the probe;  CLOSER  the X window tool;  WORK  a scratch folder, emptied first
#   POINTER  "x y", percentages of the button's width and height;  PLAY  ON to play the level through
#   AT_ONCE  ON to click with no pause after the move
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

set(TW_CONFIG "<Config><Sound><Mute>false</Mute></Sound></Config>")
set(TW_GAME_TIMEOUT 150)
string(REPLACE " " ";" pointer "${POINTER}")
list(GET pointer 0 shareX)
list(GET pointer 1 shareY)
if(PLAY)
  set(afterStart "${TW_BREATHE_IN_AND_SHOOT}\n${TW_WAIT_FOR_THE_END}\n${TW_CLOSE_WINDOW}")
else()
  # The game must still be running once the view is measured: a click on Start never quits it.
  set(afterStart "wait_for_cue view-measured || exit 1\n${TW_CLOSE_RUNNING_WINDOW}")
endif()
if(AT_ONCE)
  set(click "mousedown 1 mouseup 1")
else()
  set(click "\nsleep 0.3\nxdotool mousedown 1\nsleep 0.3\nxdotool mouseup 1")
endif()
tw_play_game(0 0 "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue menu-shown || exit 1
read left top right bottom < start-button
window=$(xdotool search --name '^Tumblewreck$' | head -1)
xdotool mousemove --window $window $((left + (right - left) * ${shareX} / 100)) $((top + (bottom - top) * ${shareY} / 100)) ${click}
${afterStart}")

string(REGEX MATCH "ViewTurn ([0-9.e+-]+)" turn "${GAME_ERRORS}")
if(NOT turn)
  message(FATAL_ERROR "the probe never measured the view in the level after the menu")
endif()
if(NOT CMAKE_MATCH_1 LESS 0.5)
  message(FATAL_ERROR "the view turned ${CMAKE_MATCH_1} degrees from the level file's when start was clicked at ${POINTER}% of the button")
endif()
if(NOT PLAY)
  return()
endif()

foreach(event "LevelLoaded MainMenu\n" "LevelLoaded Homestead\n" "Death House\n" "LevelLoaded Hillside\n")
  if(NOT GAME_ERRORS MATCHES "${event}")
    message(FATAL_ERROR "the game never reported '${event}'")
  endif()
endforeach()
if(NOT GAME_ERRORS MATCHES "Pieces ([0-9.e+-]+) ([0-9.e+-]+) ([0-9.e+-]+)\n")
  message(FATAL_ERROR "the probe never looked at the house's pieces")
endif()
set(leastMoved ${CMAKE_MATCH_1})
set(mostLately ${CMAKE_MATCH_2})
set(mostAbove ${CMAKE_MATCH_3})
# A piece may come to rest tilted against another one: its centre then stands a little higher than
# its half-thickness, but less than the 0.3 of half a slab lying flat on top of another.
if(NOT leastMoved GREATER 1 OR NOT mostLately LESS 0.05 OR NOT mostAbove LESS 0.3)
  message(FATAL_ERROR "the house's pieces moved at least ${leastMoved}, lately up to ${mostLately}, and lie up to ${mostAbove} above the floor")
endif()
if(NOT GAME_ERRORS MATCHES "ObjectiveMet ([0-9]+)\n" OR NOT CMAKE_MATCH_1 GREATER 50)
  message(FATAL_ERROR "the heads-up display never showed the goal met")
endif()
# The shipped configuration, levels and objects load without a word of the game's own.
string(REGEX REPLACE "(LevelLoaded|Death|HouseState|ViewTurn|Pieces|ObjectiveMet) [^\n]*\n" "" said "${GAME_ERRORS}")
string(REGEX REPLACE "(ALSA lib|AL lib:|Sound: no audio device)[^\n]*\n" "" said "${said}")
# The game may close its own window a moment before the player's X tool looks at it; what that tool
# then says of the vanished window is not the game's.
string(REGEX REPLACE "X Error of failed request:[^\n]*\n(  [^\n]*\n)*" "" said "${said}")
if(NOT said STREQUAL "")
  message(FATAL_ERROR "the game said more than the probe:\n${said}")
endif()
# The breath's frame ("suck.png") is kept only where the machine draws fast enough for its stream to
# reach the probe's count; the breath's particles have checks of their own.
foreach(shot hud fall)
  if(NOT EXISTS "${WORK}/${shot}.png")
    message(FATAL_ERROR "the probe kept no ${shot}.png")
  endif()
endforeach()
