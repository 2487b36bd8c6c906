# The level editor in the real game, on a scratch copy of the game (the editor saves into its data
# folder): starts on the editable level and presses the editor key. The editor's page on screen must
# match HtmlShot's rendering of it at the pane's size within 2/255. Then "Create" places a crate where
# the view meets the floor, "Save" writes the level, and the editor goes off and on again, the camera
# back where it was. The saved level holds one more object and none of the editor's own; a second
# run on it finds the crate where it was placed, within 0.01. Run with cmake -P and:
#   PROGRAM  the game with the probe;  DATA  the game's Data folder;  SHOT  HtmlShot
#   CLOSER   the X window tool;  WORK  a scratch folder, emptied first
include(${CMAKE_CURRENT_LIST_DIR}/PlayGame.cmake)

# The game beside its own Data, as installed: a hard link keeps the executable's folder.
set(game "${WORK}-game")
file(REMOVE_RECURSE "${game}")
file(MAKE_DIRECTORY "${game}")
file(COPY "${DATA}" DESTINATION "${game}")
get_filename_component(programName "${PROGRAM}" NAME)
file(CREATE_LINK "${PROGRAM}" "${game}/${programName}" COPY_ON_ERROR)
set(PROGRAM "${game}/${programName}")
set(level "${game}/Data/Levels/LevelEditor/Workshop")
file(READ "${level}" original)
string(REGEX MATCHALL "<Object[ >]" before "${original}")
list(LENGTH before objectsBefore)

# The editor's pane takes the window's size, its panel the left 256 pixels.
set(expected "${game}/expected.png")
# Leak checking is off for the tool: fontconfig keeps its caches to the end under the sanitizers.
execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
  "${SHOT}" "${game}/Data/HUDElements/LevelEditor.html" "${expected}" 1024 768 RESULT_VARIABLE shot)
if(NOT shot EQUAL 0)
  message(FATAL_ERROR "HtmlShot could not render the editor's page")
endif()

set(LEVEL Workshop)
set(TW_EXTRA_CONFIG "<Input><Button><Type>Key</Type><Name>F2</Name><Key>F2</Key></Button>
	<Binding><Recipient>GUI</Recipient><Condition>F2_TRIGGERED</Condition><Message>CreateLevelEditor()</Message></Binding></Input>
	<GUI><StartingLECamPosY>3</StartingLECamPosY><StartingLECamPosZ>6</StartingLECamPosZ>
	<StartingLECamDirY>-0.5</StartingLECamDirY><StartingLECamDirZ>-1</StartingLECamDirZ></GUI>
	<EditorProbe><Expected>${expected}</Expected></EditorProbe>")

# The player's action, again until the game leaves the cue: on a loaded machine a click can come
# before the page takes it.
function(until_cue action cue out)
  set(${out} "for attempt in $(seq 10)
do
  ${action}
  for wait in $(seq 30)
  do
    [ -f ${cue} ] && break 2
    sleep 0.1
  done
done
[ -f ${cue} ] || exit 1" PARENT_SCOPE)
endfunction()
# A key held across frames (a press and release inside one frame is never seen).
function(press_until key cue out)
  until_cue("xdotool search --name '^Tumblewreck$' windowfocus
  xdotool keydown ${key}
  sleep 0.3
  xdotool keyup ${key}" ${cue} action)
  set(${out} "${action}" PARENT_SCOPE)
endfunction()
# A page button at that window point.
function(click_until x y cue out)
  until_cue("window=$(xdotool search --name '^Tumblewreck$' | head -1)
  xdotool mousemove --window $window ${x} ${y}
  sleep 0.3
  xdotool mousedown 1
  sleep 0.3
  xdotool mouseup 1" ${cue} action)
  set(${out} "${action}" PARENT_SCOPE)
endfunction()
press_until(F2 editor-on-1 editor_on)
click_until(36 71 created create)
click_until(84 40 saved save)
press_until(F2 editor-off editor_off)
press_until(F2 editor-on-2 editor_on_again)

tw_play_game(1024 768 "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-Workshop || exit 1
${editor_on}
${create}
${save}
${editor_off}
${editor_on_again}
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "PageDiff ([0-9]+)" OR CMAKE_MATCH_1 GREATER 2)
  message(FATAL_ERROR "the editor's page on screen differs from its rendering by ${CMAKE_MATCH_1}/255")
endif()
if(NOT GAME_ERRORS MATCHES "CameraMoved ([0-9.e+-]+)" OR CMAKE_MATCH_1 GREATER 0.01)
  message(FATAL_ERROR "switched off and on, the editor camera moved ${CMAKE_MATCH_1}")
endif()
if(NOT GAME_ERRORS MATCHES "Placed ([-0-9.e+]+) ([-0-9.e+]+) ([-0-9.e+]+)")
  message(FATAL_ERROR "no crate was placed")
endif()
set(placed ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})

file(READ "${level}" saved)
string(REGEX MATCHALL "<Object[ >]" after "${saved}")
list(LENGTH after objectsAfter)
math(EXPR added "${objectsAfter} - ${objectsBefore}")
if(NOT added EQUAL 1)
  message(FATAL_ERROR "the saved level holds ${added} more objects, not one:\n${saved}")
endif()
foreach(editorObject ">LevelEditor<" "CameraObject" "LevelEditorHud")
  string(FIND "${saved}" "${editorObject}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "the saved level holds the editor's ${editorObject}")
  endif()
endforeach()

string(REPLACE ";" " " placedText "${placed}")
set(TW_EXTRA_CONFIG "<EditorProbe><Placed>${placedText}</Placed></EditorProbe>")
tw_play_game(1024 768 "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-Workshop || exit 1
${TW_CLOSE_WINDOW}")
if(NOT GAME_ERRORS MATCHES "CrateOff ([0-9.e+-]+)" OR CMAKE_MATCH_1 GREATER 0.01)
  message(FATAL_ERROR "restarted on the saved level, the crate is ${CMAKE_MATCH_1} from where it was placed")
endif()
