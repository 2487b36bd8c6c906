# The pause binding pauses the world and the sound: plays the pause test level (a box falling, the
# menu track playing, "Mute" false) with OpenAL Soft's wave writer as the device, waits for the
# probe's cue and presses Escape. Paused, the box must move less than 0.01 units in a second and
# the mix's RMS over the last second must stay below 1e-4. While paused the bindings rest, so in a
# second run the pause menu's "Resume" button, clicked, resumes both (the box falls, RMS above
# 0.05). Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path;  CLOSER  the X window tool
#   WORK  a scratch folder, emptied first;  CHECKER  the sound-file checker
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

set(press_escape "${TW_PRESS_UNTIL_CUE}
press_until Escape paused || exit 1")
# Clicked again until the game cues that it resumed: on a loaded machine a click can come before
# the pause menu's page takes it.
set(click_resume "click_until 160 105 resumed")
set(wait_for_the_end "for wait in $(seq 600)
do
  xdotool search --name '^Tumblewreck$' >/dev/null || exit 0
  sleep 0.1
done
${TW_CLOSE_WINDOW}")

foreach(resume false true)
  tw_capture_sound(wave)
  set(TW_EXTRA_CONFIG "<Sound><Mute>false</Mute></Sound><GuiProbe><Resume>${resume}</Resume></GuiProbe>")
  if(resume)
    set(player "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue ready || exit 1
${press_escape}
wait_for_cue paused-second || exit 1
${click_resume}
${wait_for_the_end}")
  else()
    set(player "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue ready || exit 1
${press_escape}
${wait_for_the_end}")
  endif()
  tw_play_game(320 240 "${player}")
  tw_last_second_rms("${wave}" rms)
  message(STATUS "resume ${resume}: the last second's RMS is ${rms}")
  if(resume)
    if(NOT GAME_ERRORS MATCHES "ResumedFall ([0-9.e+-]+)")
      message(FATAL_ERROR "the game was never resumed")
    endif()
    if(CMAKE_MATCH_1 LESS 0.01 OR rms LESS 0.05)
      message(FATAL_ERROR "resumed, the box moved ${CMAKE_MATCH_1} in a second and the mix's RMS is ${rms}")
    endif()
  else()
    if(NOT GAME_ERRORS MATCHES "PausedFall ([0-9.e+-]+)")
      message(FATAL_ERROR "the pause binding never paused the game")
    endif()
    if(NOT CMAKE_MATCH_1 LESS 0.01 OR NOT rms LESS 0.0001)
      message(FATAL_ERROR "paused, the box moved ${CMAKE_MATCH_1} in a second and the mix's RMS is ${rms}")
    endif()
  endif()
endforeach()
