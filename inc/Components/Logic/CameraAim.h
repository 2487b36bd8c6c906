// Where the player aims: the active camera's eye and its unit view direction. The breath and hand
// components (Blow, Suck, AirJump, RayCaster) aim along it.
#pragma once

#include "Utilities/Tuple.h"

#include <optional>

struct RigidBody;

struct CameraAim
{
	Tuple3f eye;
	Tuple3f direction;

	// Empty while no camera is active.
	static std::optional<CameraAim> Active();

	// The first body along the aim and the world point hit; false on a miss.
	bool Cast(RigidBody*& body, Tuple3f& point) const;
};
