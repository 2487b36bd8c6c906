// Hooks through which core utilities (the AABB trees) draw debug lines and spheres. The
// Graphics system points them at its debug-pass queues when it starts; until then they draw
// nothing.
#pragma once

#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

namespace DebugDraw
{
	// Start and end in world space, line width, RGBA colour.
	using DrawLineHook = void (*)(Tuple3f start, Tuple3f end, float width, Tuple4f colour);
	// Centre in world space, radius (the scale on all three axes), RGBA colour.
	using DrawSphereUniformHook = void (*)(Tuple3f centre, float radius, Tuple4f colour);

	// A primitive shape (sphere 0, cube 1, cone 2, cylinder 3, plane 4) at a world centre with a
	// rotation and a size, RGBA colour: the physics colliders' debug view.
	using DrawShapeHook = void (*)(int shape, Tuple3f centre, Quaternion rotation, Tuple3f size, Tuple4f colour);

	extern DrawLineHook DrawLine;
	extern DrawShapeHook DrawShape;
	extern DrawSphereUniformHook DrawSphereUniform;
}
