# A window close and a SIGTERM end the game while a held key's binding asks for the next level
# every frame: the test level's next level is itself, "n" held changes levels frame after frame,
# and once two more loads are seen the window is closed (or the game told to terminate). The game
# must end in the first frame after the one it was in, a level's load and all: at most two frames
# run after the close, and one more for the X server, which may pass the close on only after the
# game has looked for events. Counted in frames, not in time, the bound holds however busy the
# machine is; a close lost in a load lets the held key change levels on and on. Run with cmake -P and:
#   PROGRAM  the game with the probe;  LEVEL  the level's path;  CLOSER  the X window tool
#   WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# The level names itself as the next level by its bare name: it is served from the user folder.
get_filename_component(level "${LEVEL}" NAME)
file(READ "${LEVEL}" levelText)
set(TW_USER_FILES "${level}" "${levelText}")
set(LEVEL "${level}")
set(TW_EXTRA_CONFIG "<Input><Button><Type>Key</Type><Name>N</Name><Key>n</Key></Button>
<Binding><Recipient>Engine</Recipient><Condition>N_DOWN</Condition><Message>NextLevel()</Message></Binding></Input>")

# The game runs through a script that leaves its process id for the player to signal.
set(launcher "${WORK}-launcher/game.sh")
file(WRITE "${launcher}" "#!/bin/sh\necho $$ > game.pid\nexec \"${PROGRAM}\"\n")
file(CHMOD "${launcher}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(PROGRAM "${launcher}")

foreach(ending "\"$0\" close Tumblewreck" "kill -TERM $(cat game.pid)")
  tw_play_game(320 240 "${TW_WAIT_FOR_CUE}
${TW_WAIT_FOR_FRAMES}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-${level} || exit 1
rm level-${level}
xdotool search --name '^Tumblewreck$' windowfocus
xdotool keydown n
for load in 1 2
do
  wait_for_cue level-${level} || exit 1
  rm level-${level}
done
frames_run > asked-to-end-at
${ending}
${TW_WAIT_FOR_THE_END}
xdotool keyup n
${TW_CLOSE_WINDOW}")
  string(REGEX MATCHALL "LevelLoaded ${level}\n" loads "${GAME_ERRORS}")
  list(LENGTH loads loadCount)
  if(loadCount LESS 3 OR NOT EXISTS "${WORK}/asked-to-end-at")
    message(FATAL_ERROR "the held key did not change levels, or the player did not end the game")
  endif()
  file(STRINGS "${WORK}/asked-to-end-at" askedAt)
  file(STRINGS "${WORK}/frames" framesRun)
  math(EXPR framesAfter "${framesRun} - ${askedAt}")
  message(STATUS "${ending}: the game ran ${framesAfter} frames after, having loaded the level ${loadCount} times")
  if(framesAfter GREATER 3)
    message(FATAL_ERROR "'${ending}' ended the game only ${framesAfter} frames after")
  endif()
endforeach()
