# A window close and a SIGTERM end the game while a held key's binding asks for the next level
# every frame: the test level's next level is itself, "n" held changes levels frame after frame,
# and once two more loads are seen the window is closed (or the game told to terminate). The game
# must be gone within a second. Run with cmake -P and:
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
start=$(date +%s%N)
${ending}
for wait in $(seq 500)
do
  xdotool search --name '^Tumblewreck$' >/dev/null || break
  sleep 0.01
done
end=$(date +%s%N)
xdotool keyup n
echo \"Ended after $(( (end - start) / 1000000 )) ms\" >&2
${TW_CLOSE_WINDOW}")
  string(REGEX MATCHALL "LevelLoaded ${level}\n" loads "${GAME_ERRORS}")
  list(LENGTH loads loadCount)
  if(loadCount LESS 3 OR NOT GAME_ERRORS MATCHES "Ended after ([0-9]+) ms")
    message(FATAL_ERROR "the held key did not change levels, or the player did not end the game")
  endif()
  message(STATUS "${ending}: the game ended ${CMAKE_MATCH_1} ms after, having loaded the level ${loadCount} times")
  if(CMAKE_MATCH_1 GREATER_EQUAL 1000)
    message(FATAL_ERROR "'${ending}' ended the game only after ${CMAKE_MATCH_1} ms")
  endif()
endforeach()
