# Plays the game's menu with OpenAL Soft's wave writer as the audio device and checks what it
# wrote: with "Mute" false the menu track (a 330 Hz tone of RMS 0.2) over the last 2 of the 3 s the
# player listens once the menu is loaded, with "Mute" true silence; closing the window ends the game
# with 0 and the configuration keeps the three keys.
#   PROGRAM  the game with the probe;  LEVEL  the menu level;  CLOSER  the X window tool;  WORK  a scratch folder
#   CHECKER  the sound-file checker;  MUTE  "true" or "false"
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_capture_sound(wave)
set(TW_EXTRA_CONFIG "<Sound><Mute>${MUTE}</Mute></Sound>")
tw_play_game(320 240 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_AUDIO}
wait_for_cue level-MainMenu || exit 1
wait_for_audio 3 || exit 1
${TW_CLOSE_WINDOW}")

file(READ "${USER_FOLDER}/Tumblewreck.cfg" configuration)
foreach(key EffectVolume MusicVolume Mute)
  if(NOT configuration MATCHES "<Sound>.*<${key}>[^<]+</${key}>.*</Sound>")
    message(FATAL_ERROR "the configuration does not keep \"${key}\":\n${configuration}")
  endif()
endforeach()

execute_process(COMMAND "${CHECKER}" "${WORK}/heard.wav" 2 OUTPUT_VARIABLE measured RESULT_VARIABLE checked)
message(STATUS "${WORK}/heard.wav: ${measured}")
if(NOT checked EQUAL 0 OR NOT measured MATCHES "rms ([0-9.e+-]+) frequency ([0-9.]+)")
  message(FATAL_ERROR "the wave device's output cannot be read")
endif()
set(rms "${CMAKE_MATCH_1}")
set(frequency "${CMAKE_MATCH_2}")
if(MUTE STREQUAL "false")
  if(rms LESS 0.05 OR frequency LESS 325 OR frequency GREATER 335)
    message(FATAL_ERROR "the menu track is not in the mix (rms ${rms}, strongest ${frequency} Hz)")
  endif()
elseif(NOT rms LESS 0.0001)
  message(FATAL_ERROR "a muted game wrote sound (rms ${rms})")
endif()
