# Ways to build faster that change nothing in what is built: a faster linker, and the standard
# headers precompiled once per target instead of parsed again by every source.

# Every test tool and end-to-end game links the whole engine library; lld does it several times
# faster than the default linker.
include(CheckLinkerFlag)
check_linker_flag(CXX "-fuse-ld=lld" TW_HAS_LLD)
if(TW_HAS_LLD)
  add_link_options(-fuse-ld=lld)
endif()

# A compiler cache caches nothing compiled with a precompiled header, and saves more than it does.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(TW_PRECOMPILE_DEFAULT OFF)
else()
  set(TW_PRECOMPILE_DEFAULT ON)
endif()
option(TW_PRECOMPILE_HEADERS "Precompile the standard headers of each large target" ${TW_PRECOMPILE_DEFAULT})

# Even a small source reaches <sstream> and <iostream> through Serializer.h: about 100,000 lines
# of standard headers, a third of its compile time.
set(TW_STANDARD_HEADERS
  <algorithm> <array> <cmath> <cstddef> <cstdint> <cstdlib> <cstring> <filesystem> <fstream>
  <functional> <iostream> <limits> <memory> <optional> <sstream> <string> <string_view>
  <type_traits> <utility> <vector>)

# Precompiles the standard headers, and the given ones, for the target's sources.
function(tw_precompile_headers target)
  if(TW_PRECOMPILE_HEADERS)
    target_precompile_headers(${target} PRIVATE ${TW_STANDARD_HEADERS} ${ARGN})
  endif()
endfunction()

# Sources compiled in batches of eight, one compiler run a batch: each batch parses the engine's
# headers once instead of eight times, about a third of the compile time of a whole build. A batch
# is one translation unit, so the names a source keeps to itself (its anonymous namespaces, static
# functions, constants, types and macros) must be unique within its target: a new source moves the
# others between batches, and two such names meeting fail the build or silently overload. The test
# FileLocalNames.UniqueWithinEachTarget checks them over the list of sources written here, in every
# build, batched or not. With a compiler cache, which recompiles only the sources that changed, a
# batch would recompile all eight.
option(TW_UNITY_BUILD "Compile each large target's sources in batches" ${TW_PRECOMPILE_DEFAULT})
set(TW_BATCHED_SOURCE_LISTS_DIR ${CMAKE_BINARY_DIR}/batched-sources)
function(tw_unity_build target)
  file(GENERATE OUTPUT ${TW_BATCHED_SOURCE_LISTS_DIR}/${target}.txt
    CONTENT "${target}\n$<TARGET_PROPERTY:${target},SOURCE_DIR>\n$<JOIN:$<TARGET_PROPERTY:${target},SOURCES>,\n>\n")
  set_property(GLOBAL APPEND PROPERTY TW_BATCHED_SOURCE_LISTS ${TW_BATCHED_SOURCE_LISTS_DIR}/${target}.txt)
  if(NOT TW_UNITY_BUILD)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  # GCC warns of a type with linkage that holds a type from an anonymous namespace when the
  # type is defined outside the main file, as in a header that would give each includer its
  # own copy. In a batch every source is such an included file, so the warning only says it is
  # batched: each test of a fixture kept in an anonymous namespace raised it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()
