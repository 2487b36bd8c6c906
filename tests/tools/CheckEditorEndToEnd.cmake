# The level editor in the real game, in Homestead with its player, on a scratch copy of the game: a
# new user's configuration that only sets the window and binds F2 to the editor, so the game starts
# on the shipped main menu, whose start button leads to Homestead. Once the level's bodies have come
# to rest, the editor key opens the editor, and from then on the pointer is the player's: the page's
# buttons must match HtmlShot's rendering of the page within 2/255 (the panel's lists and mode title
# are the game's, so only the button rows are compared); "Mode" clicked three times goes round the
# three modes, and in the second, "Select" and "Delete selection" remove the object ahead; W held
# moves the editor camera 10 units; "Create" places a crate; Escape opens the pause menu and its
# "Resume" closes it with the physics still paused and the crate where it hangs; "Save" writes the
# level; the editor goes off and on again, its camera back where it was; Escape and the pause menu's
# "Restart" bring the level back with the crate, and "Save" again writes it still holding the crate.
# The level is saved into the user folder, holding none of the editor's or the pause menu's objects;
# the game's own levels are unchanged. A second run on the saved level finds the crate where it was
# placed within 0.01, no pause menu, the deleted object gone and every other object where it stood
# when the editor opened. Run with cmake -P and:
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
file(GLOB_RECURSE shippedLevels RELATIVE "${DATA}/Levels" "${DATA}/Levels/*")
file(READ "${DATA}/Levels/Homestead" shipped)
string(REGEX MATCHALL "<Object[ >]" before "${shipped}")
list(LENGTH before objectsBefore)
# Kept outside WORK, which every run empties.
set(stood "${game}/stood.txt")
set(deleted "${game}/deleted.txt")
set(savedLevels "${game}/saved-levels")

# The editor's pane takes the window's size, its panel the left 256 pixels.
set(expected "${game}/expected.png")
# Leak checking is off for the tool: fontconfig keeps its caches to the end under the sanitizers.
execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
  "${SHOT}" "${game}/Data/HUDElements/LevelEditor.html" "${expected}" 1024 768 RESULT_VARIABLE shot)
if(NOT shot EQUAL 0)
  message(FATAL_ERROR "HtmlShot could not render the editor's page")
endif()

set(TW_CONFIG "<Config>
	<Window><Width>1024</Width><Height>768</Height><Fullscreen>false</Fullscreen></Window>
	<Input><Button><Type>Key</Type><Name>F2</Name><Key>F2</Key></Button>
		<Binding><Recipient>GUI</Recipient><Condition>F2_TRIGGERED</Condition><Message>CreateLevelEditor()</Message></Binding></Input>
	<EditorProbe><Expected>${expected}</Expected><FirstRow>28</FirstRow><LastRow>174</LastRow><Stood>${stood}</Stood>
		<Deleted>${deleted}</Deleted></EditorProbe>
</Config>")

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
# The view starts a little down onto the floor in front of the crate ahead: the mouse with the
# right button held lifts it onto the crate. Each move is its own frame's.
set(lift_view "window=$(xdotool search --name '^Tumblewreck$' | head -1)
xdotool mousemove --window $window 640 400
wait_for_frames 2 || exit 1
xdotool mousedown 3
for step in 1 2 3 4
do
  wait_for_frames 2 || exit 1
  xdotool mousemove_relative -- 0 -10
done
wait_for_frames 2 || exit 1
xdotool mouseup 3")
click_until(30 40 mode-1 mode_1)
click_until(34 131 selected select)
click_until(67 160 deleted delete)
click_until(30 40 mode-2 mode_2)
click_until(30 40 mode-0 mode_0)
click_until(36 71 created create)
press_until(Escape menu-open-1 open_menu)
click_until(512 276 menu-closed resume)
click_until(84 40 saved save)
press_until(F2 editor-off editor_off)
press_until(F2 editor-on-2 editor_on_again)
press_until(Escape menu-open-2 open_menu_again)
click_until(512 356 restarting restart)
click_until(84 40 saved-2 save_again)

tw_play_game(1024 768 "${TW_CLICK_START}
${TW_WAIT_FOR_FRAMES}
wait_for_cue level-Homestead || exit 1
wait_for_cue settled || exit 1
${editor_on}
${lift_view}
${mode_1}
${select}
${delete}
${mode_2}
${mode_0}
xdotool search --name '^Tumblewreck$' windowfocus
xdotool keydown w
wait_for_cue moved
xdotool keyup w
[ -f moved ] || exit 1
${create}
${open_menu}
${resume}
${save}
${editor_off}
${editor_on_again}
${open_menu_again}
${restart}
wait_for_cue restarted || exit 1
wait_for_cue editor-on-3 || exit 1
${save_again}
${TW_CLOSE_WINDOW}")

if(NOT GAME_ERRORS MATCHES "PageDiff ([0-9]+)" OR CMAKE_MATCH_1 GREATER 2)
  message(FATAL_ERROR "the editor's page on screen differs from its rendering by ${CMAKE_MATCH_1}/255")
endif()
if(NOT GAME_ERRORS MATCHES "Mode 1.*Mode 2.*Mode 0")
  message(FATAL_ERROR "clicking \"Mode\" did not go round the three modes")
endif()
if(NOT GAME_ERRORS MATCHES "Deleted ([^\n]+)")
  message(FATAL_ERROR "\"Select\" then \"Delete selection\" deleted nothing")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL "Crate")
  message(FATAL_ERROR "\"Select\" then \"Delete selection\" deleted the ${CMAKE_MATCH_1}, not the crate ahead")
endif()
if(NOT GAME_ERRORS MATCHES "CameraTravel ([0-9.e+-]+)")
  message(FATAL_ERROR "holding W did not move the editor camera 10 units")
endif()
if(NOT GAME_ERRORS MATCHES "PhysicsUpdating 0" OR NOT GAME_ERRORS MATCHES "CrateDrift ([0-9.e+-]+)" OR CMAKE_MATCH_1 GREATER 0.001)
  message(FATAL_ERROR "after the pause menu's Resume the physics ran under the editor (crate drift ${CMAKE_MATCH_1})")
endif()
if(NOT GAME_ERRORS MATCHES "CameraMoved ([0-9.e+-]+)" OR CMAKE_MATCH_1 GREATER 0.01)
  message(FATAL_ERROR "switched off and on, the editor camera moved ${CMAKE_MATCH_1}")
endif()
if(NOT GAME_ERRORS MATCHES "RestartedCrates ([0-9]+)" OR CMAKE_MATCH_1 LESS 1)
  message(FATAL_ERROR "after the save, the pause menu's Restart brought the level back without the crate")
endif()
if(NOT GAME_ERRORS MATCHES "ResavedCrates ([0-9]+)" OR CMAKE_MATCH_1 LESS 1)
  message(FATAL_ERROR "saved again after the restart, the level file lost the crate")
endif()
if(NOT GAME_ERRORS MATCHES "Placed ([-0-9.e+]+) ([-0-9.e+]+) ([-0-9.e+]+)")
  message(FATAL_ERROR "no crate was placed")
endif()
set(placed ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})

foreach(level ${shippedLevels})
  file(READ "${DATA}/Levels/${level}" shippedLevel)
  file(READ "${game}/Data/Levels/${level}" gameLevel)
  if(NOT gameLevel STREQUAL shippedLevel)
    message(FATAL_ERROR "the game's own level ${level} was written")
  endif()
endforeach()
set(savedLevel "${USER_FOLDER}/Levels/Homestead")
if(NOT EXISTS "${savedLevel}")
  message(FATAL_ERROR "the editor saved nothing into the user folder's levels")
endif()
file(READ "${savedLevel}" saved)
string(REGEX MATCHALL "<Object[ >]" after "${saved}")
list(LENGTH after objectsAfter)
# One placed, and the level's spawner may have added crates before the editor opened.
if(objectsAfter LESS objectsBefore)
  message(FATAL_ERROR "the saved level holds ${objectsAfter} objects, fewer than the ${objectsBefore} shipped:\n${saved}")
endif()
foreach(interfaceObject ">LevelEditor<" "CameraObject" "LevelEditorHud" "PauseMenu")
  string(FIND "${saved}" "${interfaceObject}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "the saved level holds the interface's ${interfaceObject}")
  endif()
endforeach()
file(REMOVE_RECURSE "${savedLevels}")
file(COPY "${USER_FOLDER}/Levels/" DESTINATION "${savedLevels}")

string(REPLACE ";" " " placedText "${placed}")
set(TW_USER_LEVELS "${savedLevels}")
set(TW_CONFIG "")
set(LEVEL Homestead)
set(TW_EXTRA_CONFIG "<EditorProbe><Placed>${placedText}</Placed><Stood>${stood}</Stood><Deleted>${deleted}</Deleted></EditorProbe>")
tw_play_game(1024 768 "${TW_WAIT_FOR_CUE}
xdotool search --sync --name '^Tumblewreck$' >/dev/null
wait_for_cue level-Homestead || exit 1
${TW_CLOSE_WINDOW}")
if(NOT GAME_ERRORS MATCHES "CrateOff ([0-9.e+-]+)" OR CMAKE_MATCH_1 GREATER 0.01)
  message(FATAL_ERROR "restarted on the saved level, the crate is ${CMAKE_MATCH_1} from where it was placed")
endif()
if(NOT GAME_ERRORS MATCHES "PauseMenus 0")
  message(FATAL_ERROR "the saved level opens with a pause menu")
endif()
if(GAME_ERRORS MATCHES "Revived ([^\n]+)")
  message(FATAL_ERROR "restarted on the saved level, the deleted ${CMAKE_MATCH_1} stands where it was")
endif()
if(GAME_ERRORS MATCHES "Misplaced ([^\n]+)")
  message(FATAL_ERROR "restarted on the saved level, an object is not where it stood: ${CMAKE_MATCH_1}")
endif()
if(NOT GAME_ERRORS MATCHES "Compared ([0-9]+) Unmatched 0")
  message(FATAL_ERROR "restarted on the saved level, objects that stood when the editor opened are gone")
endif()
