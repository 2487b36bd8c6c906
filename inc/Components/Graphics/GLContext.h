// Whether an OpenGL context exists. The window closes before the renderer shuts down, so cache
// releases at exit free their records without calling OpenGL.
#pragma once

bool HasGLContext();
