# Runs a program of the game's start-up with a chosen application-data folder and checks what it
# did. Run with cmake -P and:
#   PROGRAM  the program;  ARGS  its arguments, separated by spaces
#   WORK     a scratch folder, emptied first
#   XDG      "fresh": XDG_DATA_HOME is WORK/data; "unset": neither XDG_DATA_HOME nor HOME is set;
#            anything else: the XDG_DATA_HOME to use
#   EXPECT   "clean": exit code 0, "LevelLoaded MainMenu" and the frames printed, the user folder
#              made and the configuration written to it;
#            "crash": killed by SIGSEGV, the crash report in the user folder naming the signal,
#              and its path announced on stderr;
#            "no-folder": exit code -1 with a message on stderr
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

execute_process(
  COMMAND "${PROGRAM}" ${arguments}
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 100)
message(STATUS "exit: ${result}\nstdout:\n${output}\nstderr:\n${errors}")

set(userFolder "${dataHome}/Tumblewreck")
function(expect_text haystack needle what)
  string(FIND "${haystack}" "${needle}" position)
  if(position EQUAL -1)
    message(FATAL_ERROR "${what} does not hold \"${needle}\"")
  endif()
endfunction()

if(EXPECT STREQUAL "clean")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "expected exit code 0, got ${result}")
  endif()
  expect_text("${output}" "LevelLoaded MainMenu\n" "stdout")
  expect_text("${output}" "Frames ${ARGS}\n" "stdout")
  if(NOT EXISTS "${userFolder}/Tumblewreck.cfg")
    message(FATAL_ERROR "no configuration written to ${userFolder}/Tumblewreck.cfg")
  endif()
  file(READ "${userFolder}/Tumblewreck.cfg" configuration)
  expect_text("${configuration}" "<Graphics" "Tumblewreck.cfg")
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
else()
  message(FATAL_ERROR "unknown EXPECT '${EXPECT}'")
endif()
