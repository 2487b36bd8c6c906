# Plays the won level as the game ends it, with OpenAL Soft's wave writer as the audio device: its
# veil must darken the whole window's outer border, and its "Main menu" button, clicked where the
# probe found it, must lead to a main menu that runs unpaused (no "Pause" ever sent), shows its own
# panel rather than the options under the pointer, and plays its track over the last two of the three seconds the player listens.
# Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the won level's path;  CLOSER  the X window tool
#   WORK  a scratch folder, emptied first;  CHECKER  the sound-file checker
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

tw_capture_sound(wave)
set(TW_EXTRA_CONFIG "<Sound><Mute>false</Mute></Sound>")
tw_click_where_cued(won-shown won-button click_main_menu)
tw_play_game(1024 768 "${TW_WAIT_FOR_AUDIO}
${click_main_menu}
wait_for_cue menu-shown || exit 1
wait_for_audio 3 || exit 1
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "VeilCover ([0-9.e+-]+)" OR CMAKE_MATCH_1 LESS 0.98)
  message(FATAL_ERROR "the won page's veil darkens ${CMAKE_MATCH_1} of the window's border (see ${WORK}/won.png)")
endif()
if(NOT GAME_ERRORS MATCHES "LevelLoaded MainMenu\n")
  message(FATAL_ERROR "the won page's button never led to the main menu")
endif()
if(GAME_ERRORS MATCHES "Pause [01]")
  message(FATAL_ERROR "leaving the won page sent \"Pause\"")
endif()
if(NOT GAME_ERRORS MATCHES "Shown ([0-9.e+-]+)" OR CMAKE_MATCH_1 LESS 0.9)
  message(FATAL_ERROR "the main menu after the won page hides its start button (${CMAKE_MATCH_1} shown)")
endif()
execute_process(COMMAND "${CHECKER}" "${WORK}/heard.wav" 2 OUTPUT_VARIABLE measured RESULT_VARIABLE checked)
if(NOT checked EQUAL 0 OR NOT measured MATCHES "rms ([0-9.e+-]+)")
  message(FATAL_ERROR "the wave device's output cannot be read")
endif()
if(CMAKE_MATCH_1 LESS 0.05)
  message(FATAL_ERROR "the main menu after the won page is silent (rms ${CMAKE_MATCH_1})")
endif()
