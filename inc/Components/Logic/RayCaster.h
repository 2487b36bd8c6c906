// RayCaster: the camera's aiming ray, cast at most once a frame and kept for the Activator and the
// Grabber of the same object, which call Cast when they need it.
#pragma once

#include "Components/QuietComponent.h"
#include "Utilities/Tuple.h"

struct RigidBody;

struct __RayCasterName
{
	static constexpr const char* name = "RayCaster";
};

class RayCaster : public QuietComponent<RayCaster, __RayCasterName>
{
public:
	bool Start() override;
	bool Update() override;

	// Casts once between two updates; later calls keep the first result. A miss keeps the
	// previous hit's object, body and points.
	void Cast();

	bool hit = false;
	unsigned hitObject = 0;
	RigidBody* hitBody = nullptr;
	Tuple3f hitPoint;
	// hitPoint - the eye.
	Tuple3f offset;

private:
	bool castThisFrame = false;
};
