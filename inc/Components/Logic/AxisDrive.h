// AxisDrive: the commanded travel StaticMover (a distance) and StaticRotater (an angle) share: a
// value driven at a signed speed toward a target and snapped to it on the step that would pass
// it. A new command during a travel starts from where the value stands.
#pragma once

#include "Message.h"

class Composition;

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

	float value = 0.0f;
	float targetValue = 0.0f;
	float fromValue = 0.0f;
	// Signed, per second.
	float moveSpeed = 0.0f;
	bool moving = false;
};
