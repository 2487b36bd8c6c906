// The OpenGL enumerations that data files write by name: pixel formats (how a pixel buffer's
// producer lays out its bytes) and blend factors (how point sprites mix into the frame).
#pragma once

#include <string>

// "GL_RGBA" -> GL_RGBA ...; 0 for a name that is none of the pixel formats.
unsigned PixelFormatFromName(const std::string& name);
// "GL_ONE_MINUS_SRC_ALPHA" -> GL_ONE_MINUS_SRC_ALPHA ...; 0 (GL_ZERO) for an unknown name.
unsigned BlendFactorFromName(const std::string& name);
