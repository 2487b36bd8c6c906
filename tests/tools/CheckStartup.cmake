# Runs a program of the game's start-up with a chosen application-data folder and checks what it
# did. Run with cmake -P and:
#   PROGRAM  the program;  ARGS  its arguments, separated by spaces
#   WORK     a scratch folder, emptied first;  SECONDS  how long the program may run
#   SETTING  empty, or NAME=VALUE: that variable set for the program (unset when VALUE is empty);
#            SDL_VIDEODRIVER is unset unless named
#   XDG      "fresh": XDG_DATA_HOME is WORK/data; "unset": neither XDG_DATA_HOME nor HOME is set;
#            anything else: the XDG_DATA_HOME to use
#   EXPECT   "clean": exit code 0, "LevelLoaded MainMenu" and the frames printed, the user folder
#              made and the configuration written to it;
#            "silent": exit code 0 after a tour of the shipped levels and archetypes, with nothing of
#              the game's own on stderr but the line that says no audio device opens;
#            "closed": as "clean" for the game itself, whose window CLOSER (the X window tool) closes
#              as a user would; nothing is printed, and no data file may be missing;
#            "crash": killed by SIGSEGV, the crash report in the user folder naming the signal,
#              and its path announced on stderr;
#            "no-folder": exit code -1 with a message on stderr;
#            "no-display": exit code 1, nothing on stdout, and on stderr one line only, which says
#              that no display could be opened and names xvfb-run, and names no source file; nothing
#              left in WORK: no user folder (so no crash report and no configuration);
#            "failed-start": exit code 1 and a line on stderr that says the game could not start
#              because the video mode was refused, naming no source file; nothing left in WORK, as
#              for "no-display";
#            "reloads": exit code 0 after the main menu was loaded again and again, the process
#              grown by less than 20 MB over the loads after the first ten (the lowest size of
#              ten loads at each end)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
separate_arguments(arguments UNIX_COMMAND "${ARGS}")

set(dataHome "${WORK}/data")
# Set here rather than through "cmake -E env", which would hide a death by signal behind exit code 1.
if(XDG STREQUAL "fresh")
  set(ENV{XDG_DATA_HOME} "${dataHome}")
elseif(XDG STREQUAL "unset")
  unset(ENV{XDG_DATA_HOME})
  unset(ENV{HOME})
else()
  set(ENV{XDG_DATA_HOME} "${XDG}")
endif()

unset(ENV{SDL_VIDEODRIVER})
if(SETTING MATCHES "^([^=]+)=(.*)$")
  if(CMAKE_MATCH_2 STREQUAL "")
    unset(ENV{${CMAKE_MATCH_1}})
  else()
    set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
  endif()
endif()

if(EXPECT STREQUAL "closed")
  # Run side by side with the program: asks its window to close until the window has gone (a
  # request made before the window is ready may be lost). Lines, not semicolons, separate the
  # commands: CMake would split the list at every semicolon.
  set(closeUntilGone [=[
seen=0
for attempt in $(seq 400)
do
  if "$0" close Tumblewreck >/dev/null
  then seen=1
  elif [ $seen = 1 ]
  then exit 0
  fi
  sleep 0.05
done
exit 1]=])
  set(closer COMMAND sh -c "${closeUntilGone}" "${CLOSER}")
endif()
execute_process(
  COMMAND "${PROGRAM}" ${arguments}
  ${closer}
  WORKING_DIRECTORY "${WORK}"
  RESULTS_VARIABLE results
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT ${SECONDS})
list(GET results 0 result)
message(STATUS "exit: ${results}\nstdout:\n${output}\nstderr:\n${errors}")

set(userFolder "${dataHome}/Tumblewreck")
function(expect_text haystack needle what)
  string(FIND "${haystack}" "${needle}" position)
  if(position EQUAL -1)
    message(FATAL_ERROR "${what} does not hold \"${needle}\"")
  endif()
endfunction()

# Each system's element is added to the configuration as the system is added; the Window system
# writes the mode it opened into its own, the Sound system its volumes and mute.
function(expect_configuration_of_every_system)
  if(NOT EXISTS "${userFolder}/Tumblewreck.cfg")
    message(FATAL_ERROR "no configuration written to ${userFolder}/Tumblewreck.cfg")
  endif()
  file(READ "${userFolder}/Tumblewreck.cfg" configuration)
  if(NOT configuration MATCHES "<Window>[ \t\n]*<Width>[0-9]+</Width>[ \t\n]*<Height>[0-9]+</Height>[ \t\n]*<BPP>[0-9]+</BPP>[ \t\n]*<Fullscreen>(true|false)</Fullscreen>[ \t\n]*</Window>[^<]*<Input[^<]*<Logic[^<]*<ParticleManager[^<]*<Physics[^<]*<Sound(>.*</Sound>| />)[^<]*<GUI[^<]*<Graphics")
    message(FATAL_ERROR "the eight systems are not in the configuration in their order:\n${configuration}")
  endif()
endfunction()

if(EXPECT STREQUAL "clean")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "expected exit code 0, got ${result}")
  endif()
  expect_text("${output}" "LevelLoaded MainMenu\n" "stdout")
  expect_text("${output}" "Frames ${ARGS}\n" "stdout")
  expect_configuration_of_every_system()
elseif(EXPECT STREQUAL "silent")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "expected exit code 0, got ${result}")
  endif()
  foreach(level MainMenu Homestead Hillside Lair Won)
    expect_text("${output}" "LevelLoaded ${level}\n" "stdout")
  endforeach()
  # ALSA and OpenAL Soft print their own lines when there is no sound card; they are not the game's.
  string(REGEX REPLACE "(ALSA lib |AL lib: )[^\n]*\n" "" diagnostics "${errors}")
  string(REPLACE "Sound: no audio device opens; sounds are mixed on OpenAL Soft's loopback device and not heard\n" ""
    diagnostics "${diagnostics}")
  if(NOT diagnostics STREQUAL "")
    message(FATAL_ERROR "the shipped data loads with diagnostics:\n${diagnostics}")
  endif()
elseif(EXPECT STREQUAL "closed")
  if(NOT results STREQUAL "0;0")
    message(FATAL_ERROR "expected the game to end with 0 once its window was closed, got ${results}")
  endif()
  string(FIND "${errors}" "cannot be opened" missingFile)
  if(NOT missingFile EQUAL -1)
    message(FATAL_ERROR "a data file is missing:\n${errors}")
  endif()
  expect_configuration_of_every_system()
elseif(EXPECT STREQUAL "crash")
  if(NOT result MATCHES "Segmentation")
    message(FATAL_ERROR "expected death by SIGSEGV, got ${result}")
  endif()
  set(report "${userFolder}/Tumblewreck.dmp")
  expect_text("${errors}" "Tumblewreck crashed and saved a data report to: ${report}" "stderr")
  if(NOT EXISTS "${report}")
    message(FATAL_ERROR "no crash report at ${report}")
  endif()
  file(READ "${report}" reportText)
  expect_text("${reportText}" "SIGSEGV" "the crash report")
elseif(EXPECT STREQUAL "no-folder")
  if(NOT result EQUAL 255)
    message(FATAL_ERROR "expected exit code -1 (255), got ${result}")
  endif()
  expect_text("${errors}" "Tumblewreck: " "stderr")
elseif(EXPECT STREQUAL "no-display" OR EXPECT STREQUAL "failed-start")
  if(NOT result EQUAL 1)
    message(FATAL_ERROR "expected exit code 1, got ${result}")
  endif()
  file(GLOB_RECURSE leftBehind LIST_DIRECTORIES true "${WORK}/*")
  if(leftBehind)
    message(FATAL_ERROR "a failed start left behind: ${leftBehind}")
  endif()
  if(EXPECT STREQUAL "no-display")
    if(NOT output STREQUAL "" OR NOT errors MATCHES "^Tumblewreck could not start: no display could be opened [^\n]*xvfb-run[^\n]*\n$")
      message(FATAL_ERROR "expected one line on stderr saying no display could be opened and how to run the game, and nothing else")
    endif()
  else()
    expect_text("${errors}" "Tumblewreck could not start: Failed to set video mode." "stderr")
  endif()
  if(errors MATCHES "[A-Za-z]+\\.(cpp|h):[0-9]+")
    message(FATAL_ERROR "the line names a source file, which tells the player nothing")
  endif()
elseif(EXPECT STREQUAL "reloads")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "expected exit code 0, got ${result}")
  endif()
  if(NOT output MATCHES "Grew (-?[0-9]+) KB")
    message(FATAL_ERROR "the probe did not say how much the game grew")
  endif()
  if(CMAKE_MATCH_1 GREATER_EQUAL 20480)
    message(FATAL_ERROR "the game grew by ${CMAKE_MATCH_1} KB over the loads after the second")
  endif()
else()
  message(FATAL_ERROR "unknown EXPECT '${EXPECT}'")
endif()
