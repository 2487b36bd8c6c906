// Hooks through which core utilities (the AABB trees) draw debug lines and spheres. The
// Graphics system points them at its debug-pass queues when it starts; until then they draw
// nothing.
#pragma once

#include "Utilities/Tuple.h"

namespace DebugDraw
{
	// Start and end in world space, line width, RGBA colour.
	using DrawLineHook = void (*)(Tuple3f start, Tuple3f end, float width, Tuple4f colour);
	// Centre in world space, radius (the scale on all three axes), RGBA colour.
	using DrawSphereUniformHook = void (*)(Tuple3f centre, float radius, Tuple4f colour);

	extern DrawLineHook DrawLine;
	extern DrawSphereUniformHook DrawSphereUniform;
}
