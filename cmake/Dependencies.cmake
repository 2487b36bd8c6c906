# Debian packages the engine links against, gathered in one interface target.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(SDL REQUIRED IMPORTED_TARGET sdl)
# GLEW loads the OpenGL entry points once the window has its context.
pkg_check_modules(GLEW REQUIRED IMPORTED_TARGET glew gl glu)
# SDL_image reads the image files of textures.
pkg_check_modules(SDL_IMAGE REQUIRED IMPORTED_TARGET SDL_image)
find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
find_library(TINYXML_LIBRARY tinyxml REQUIRED)

add_library(tw_deps INTERFACE)
add_library(tw::deps ALIAS tw_deps)
target_include_directories(tw_deps INTERFACE ${TINYXML_INCLUDE_DIR})
target_link_libraries(tw_deps INTERFACE PkgConfig::SDL PkgConfig::SDL_IMAGE PkgConfig::GLEW ${TINYXML_LIBRARY} Threads::Threads ${CMAKE_DL_LIBS})

# OpenAL Soft mixes and plays the sounds; libsndfile decodes the sound files.
pkg_check_modules(AUDIO REQUIRED IMPORTED_TARGET openal sndfile)
target_link_libraries(tw_deps INTERFACE PkgConfig::AUDIO)

# Recast builds the navigation mesh, Detour queries it. Debian ships no pkg-config file; the
# headers sit in a folder of their own (with a DebugDraw.h of its own): include <recastnavigation/...>.
find_path(RECAST_INCLUDE_DIR recastnavigation/Recast.h REQUIRED)
find_library(RECAST_LIBRARY Recast REQUIRED)
find_library(DETOUR_LIBRARY Detour REQUIRED)
target_include_directories(tw_deps SYSTEM INTERFACE ${RECAST_INCLUDE_DIR})
target_link_libraries(tw_deps INTERFACE ${RECAST_LIBRARY} ${DETOUR_LIBRARY})
# LZ4 compresses the navigation tile cache's heightfields.
pkg_check_modules(LZ4 REQUIRED IMPORTED_TARGET liblz4)
target_link_libraries(tw_deps INTERFACE PkgConfig::LZ4)
# The HTML engine: gumbo parses pages, litehtml lays them out, cairo and pango paint them, V8 runs
# their scripts. V8 10.2 comes from Debian's libnode unpacked by scripts/fetch-v8.sh (a NodeSource
# nodejs puts V8 11 headers in the system include folder, so only the unpacked prefix is used).
find_package(litehtml REQUIRED)
pkg_check_modules(HTML_PAINT REQUIRED IMPORTED_TARGET pangocairo pangoft2 cairo gumbo fontconfig)
set(TW_V8_PREFIX ${CMAKE_SOURCE_DIR}/third_party/v8/usr)
set(TW_V8_LIBRARY ${TW_V8_PREFIX}/lib/x86_64-linux-gnu/libnode.so.108)
if(NOT EXISTS ${TW_V8_LIBRARY} OR NOT EXISTS ${TW_V8_PREFIX}/include/node/v8-version.h)
  message(FATAL_ERROR "V8 is missing from ${TW_V8_PREFIX}: run scripts/fetch-v8.sh (tw_fetch_v8)")
endif()
file(STRINGS ${TW_V8_PREFIX}/include/node/v8-version.h TW_V8_MAJOR REGEX "define V8_MAJOR_VERSION")
if(NOT TW_V8_MAJOR MATCHES "V8_MAJOR_VERSION 10$")
  message(FATAL_ERROR "The HTML engine needs V8 10, found: ${TW_V8_MAJOR}")
endif()
add_library(tw_v8 SHARED IMPORTED)
set_target_properties(tw_v8 PROPERTIES IMPORTED_LOCATION ${TW_V8_LIBRARY}
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${TW_V8_PREFIX}/include/node)
target_include_directories(tw_v8 SYSTEM INTERFACE ${TW_V8_PREFIX}/include/node)
set(CMAKE_BUILD_RPATH ${TW_V8_PREFIX}/lib/x86_64-linux-gnu)
target_link_libraries(tw_deps INTERFACE litehtml PkgConfig::HTML_PAINT tw_v8)
# RecastAlloc.h (rcAlloc, for the compact heightfields built from lean ones) includes its
# neighbours without the folder name.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/Systems/Logic/MeshGeneration/LeanHeightfield.cpp
  PROPERTIES INCLUDE_DIRECTORIES ${RECAST_INCLUDE_DIR}/recastnavigation)
