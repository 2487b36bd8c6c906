// Particle: the plain record of one live particle. Every setter reads and writes it; a particle
// group keeps its particles in one contiguous array, so the record holds no pointers.
#pragma once

#include "Utilities/Tuple.h"

struct Particle
{
	// The spawn point, or (angle in radians, height, radius) for the circling setters.
	Tuple3f base;
	Tuple3f position;
	// World units per second.
	Tuple3f velocity;
	// The sprite size handed to the point sprite.
	float scale = 0.0f;
	Tuple3f rotation;
	// The colour chosen at spawn, where colour changes over a lifetime start from.
	Tuple4f startColor;
	Tuple4f color;
	// Seconds left; the particle dies when this drops below 0.
	float life = 0.0f;
	// Index into the drawer's texture list of the group.
	unsigned textureIndex = 0;

	// False when any field is not a finite number.
	bool IsFinite() const;
};
