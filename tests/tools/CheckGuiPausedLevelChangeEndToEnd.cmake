# A level change made while paused leaves the next level playing: on the pause test level (the
# menu track playing, "Mute" false, OpenAL Soft's wave writer as the device) Escape opens the pause
# menu, whose page (the user's own) loads the main menu at once. On the main menu a configured
# binding ("b" sends "BindingActs") must act, and the menu's music must play: the mix's RMS over the
# last of two seconds the player listens to it above 0.05. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path;  CLOSER  the X window tool
#   WORK  a scratch folder, emptied first;  CHECKER  the sound-file checker
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# Lines, not semicolons, end the page's statements: the file list splits at semicolons.
set(TW_USER_FILES "PauseMenu.html" "<body><script>
var engine = new Engine()
if (engine.CurrLevel().indexOf('MainMenu') < 0) engine.LoadLevel('MainMenu')
</script></body>")
set(TW_EXTRA_CONFIG "<Sound><Mute>false</Mute></Sound><Input><Button><Type>Key</Type><Name>B</Name><Key>b</Key></Button>
<Binding><Recipient>Probe</Recipient><Condition>B_TRIGGERED</Condition><Message>BindingActs()</Message></Binding></Input>")
tw_capture_sound(wave)
tw_play_game(640 480 "${TW_WAIT_FOR_CUE}
${TW_PRESS_UNTIL_CUE}
${TW_WAIT_FOR_AUDIO}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue ready || exit 1
press_until Escape paused || exit 1
wait_for_cue menu-shown || exit 1
press_until b binding-acted || exit 1
wait_for_audio 2 || exit 1
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "LevelLoaded MainMenu")
  message(FATAL_ERROR "the pause menu's page did not load the main menu")
endif()
tw_last_second_rms("${WORK}/heard.wav" rms)
message(STATUS "on the main menu the last second's RMS is ${rms}")
if(rms LESS 0.05)
  message(FATAL_ERROR "the main menu's music is silent after a level change made while paused")
endif()
