// How a distance read from a file is kept when it is only ever compared squared (PathMovement's
// "maxDistOffPath", Tumble's "minStandSpeed").
#pragma once

#include <cmath>
#include <limits>

// The square of the distance; a square past the float range is held as the largest float, so that
// the distance saved (its square root) reads back as the same square.
inline float SquaredDistance(float distance)
{
	const float squared = distance * distance;
	return std::isinf(squared) ? std::numeric_limits<float>::max() : squared;
}
