// AxisDrive: the commanded travel StaticMover (a distance) and StaticRotater (an angle) share: a
// value driven at a signed speed toward a target and snapped to it on the step that would pass
// it. A new command during a travel starts from where the value stands.
#pragma once

#include "Message.h"
#include "Utilities/Tuple.h"

class Composition;
struct RigidBody;

struct AxisDrive
{
	enum class Step
	{
		Idle,
		Moving,
		Arrived,
	};

	// Starts a travel to target at |speed|; dt is the physics step. False, and nothing changes,
	// when the target or the speed is not finite.
	bool Command(float target, float speed, float dt);
	// Handles a command message (float target, float speed), both multiplied by unit; a message
	// without two finite numbers is reported, naming the object and the component, and ignored.
	void Receive(Message::Reader reader, float unit, const Composition& owner, const char* type);
	// One physics step: Moving while under way, Arrived once (value is then exactly the target).
	Step Advance(float dt);
	// One frame on the owner's body: while under way its velocity field (linear or angular) is
	// axis x speed, and on arrival it is zeroed; the caller then snaps the object to the target.
	// Idle unless physics steps and the object has its Transform and Body (reported otherwise).
	Step Drive(Composition& owner, const char* type, Tuple3f RigidBody::*velocityField, const Tuple3f& axis);

	float value = 0.0f;
	float targetValue = 0.0f;
	float fromValue = 0.0f;
	// Signed, per second.
	float moveSpeed = 0.0f;
	bool moving = false;
};
