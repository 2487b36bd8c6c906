# Walks the player of the physics end-to-end level across its row of floor tiles, each a sound
# material whose step is a 440 Hz tone of RMS 0.2, with OpenAL Soft's wave writer as the audio
# device and "Mute" false: "w" held for one second through xdotool. The written mix must be quiet
# for at least a second, then, from where sound starts, hold the steps for a second (RMS above 0.02,
# at least 20 dB above the second before); closing the window ends the game with 0.
#   PROGRAM  the game with the reporting component;  LEVEL  the test level's path
#   CLOSER   the X window tool;  WORK  a scratch folder;  CHECKER  the sound-file checker
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_capture_sound(wave)
set(TW_EXTRA_CONFIG "<Sound><Mute>false</Mute></Sound>")
tw_play_game(320 240 "${TW_WALK_ONE_SECOND}
wait_for_frames 62
${TW_CLOSE_WINDOW}")

execute_process(COMMAND "${CHECKER}" "${wave}" 1 onset OUTPUT_VARIABLE measured RESULT_VARIABLE checked)
message(STATUS "${wave}: ${measured}")
if(NOT checked EQUAL 0 OR NOT measured MATCHES "onset ([0-9.e+-]+) rms ([0-9.e+-]+) before ([0-9.e+-]+)")
  message(FATAL_ERROR "the wave device's output cannot be read")
endif()
set(onset "${CMAKE_MATCH_1}")
set(walk "${CMAKE_MATCH_2}")
set(before "${CMAKE_MATCH_3}")
# 20 dB: ten times the RMS.
execute_process(COMMAND awk "BEGIN { exit !(${onset} >= 1 && ${walk} > 0.02 && ${walk} >= 10 * ${before}) }" RESULT_VARIABLE heard)
if(NOT heard EQUAL 0)
  message(FATAL_ERROR "the steps are not heard: sound from ${onset} s, RMS ${walk} over the walk, ${before} in the second before")
endif()
