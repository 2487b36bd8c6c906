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
