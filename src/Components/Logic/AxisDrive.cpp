#include "Components/Logic/AxisDrive.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/MotionRules.h"
#include "Components/Logic/RelayMsg.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"

#include <cmath>

void AxisDrive::Receive(Message::Reader reader, float unit, const Composition& owner, const char* type)
{
	float target = 0.0f;
	float speed = 0.0f;
	if (!reader.Read(target) || !reader.Read(speed) || !Command(target * unit, speed * unit, PhysicsTimeStep()))
		tw::Diagnostics::Report(DescribeComponent(owner, type) + ": \"" + reader.name +
			"\" needs a finite target and speed; the command is ignored");
}

bool AxisDrive::Command(float target, float speed, float dt)
{
	if (!std::isfinite(target) || !std::isfinite(speed))
		return false;
	moving = true;
	// Steps back the last step counted at the old speed; the new travel starts from there.
	value -= dt * moveSpeed;
	fromValue = value;
	targetValue = target;
	moveSpeed = targetValue > fromValue ? std::fabs(speed) : -std::fabs(speed);
	return true;
}

AxisDrive::Step AxisDrive::Advance(float dt)
{
	if (!moving)
		return Step::Idle;
	const float next = value + dt * moveSpeed;
	const bool forward = targetValue > fromValue;
	const bool done = forward ? next > targetValue : targetValue > next;
	if (!done)
	{
		value = next;
		return Step::Moving;
	}
	moving = false;
	value = targetValue;
	moveSpeed = 0.0f;
	return Step::Arrived;
}

AxisDrive::Step AxisDrive::Drive(Composition& owner, const char* type, Tuple3f RigidBody::*velocityField, const Tuple3f& axis)
{
	if (RequireTransform(owner, type) == nullptr)
		return Step::Idle;
	RigidBody* body = RequireBody(owner, type);
	if (body == nullptr || !PhysicsSteps())
		return Step::Idle;
	const Step step = Advance(PhysicsTimeStep());
	if (step == Step::Moving)
		body->*velocityField = axis * moveSpeed;
	else if (step == Step::Arrived)
		body->*velocityField = Tuple3f(0, 0, 0);
	return step;
}
