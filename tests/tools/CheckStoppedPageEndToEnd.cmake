# The real game with a main menu page in the user folder whose script is stopped while a native
# reads its argument, just before it would give the page a node: the game ends with 0 and writes
# its configuration, whether the window is closed on the menu or after a level change has ended
# the page. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the main menu level;  CLOSER  the X window tool
#   WORK  a scratch folder
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# (CMake lists split at semicolons: the page does without them.)
set(TW_USER_FILES "HUDElements/MainMenu.html"
  "<div id=''>x</div><script>document.getElementById({toString: function () { while (true) {} }})</script>")
set(TW_EXTRA_CONFIG "<Input><Button><Type>Key</Type><Name>N</Name><Key>n</Key></Button>
<Binding><Recipient>Engine</Recipient><Condition>N_DOWN</Condition><Message>NextLevel()</Message></Binding></Input>")
set(base "${WORK}")
foreach(ending "close" "level change")
  set(change "")
  if(ending STREQUAL "level change")
    set(change "xdotool search --name '^Tumblewreck$' windowfocus
xdotool keydown n
sleep 0.3
xdotool keyup n
wait_for_cue level-Homestead || exit 1")
  endif()
  string(REPLACE " " "-" WORK "${base}/${ending}")
  # The page's script holds up the frame it runs in until it is stopped: frames run after the menu
  # has loaded are run after the stop.
  tw_play_game(320 240 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-MainMenu || exit 1
wait_for_frames 10 || exit 1
${change}
${TW_CLOSE_RUNNING_WINDOW}")
  if(NOT GAME_ERRORS MATCHES "MainMenu.html:0: script ran longer than")
    message(FATAL_ERROR "${ending}: the page's script was not stopped")
  endif()
  file(READ "${USER_FOLDER}/Tumblewreck.cfg" configuration)
  if(NOT configuration MATCHES "<Graphics")
    message(FATAL_ERROR "${ending}: the configuration was not written at the end:\n${configuration}")
  endif()
endforeach()
