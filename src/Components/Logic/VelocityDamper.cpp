#include "Components/Logic/VelocityDamper.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/ObjectBodies.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"

#include <cmath>

bool VelocityDamper::Load(Serializer& serializer)
{
	maxSpeed = {kNoLimit, kNoLimit, kNoLimit};
	serializer.Read(damp).Read(maxSpeed);
	return true;
}

bool VelocityDamper::Serialize(Serializer& serializer)
{
	serializer.Write("damp", damp).Write("maxSpeed", maxSpeed);
	return true;
}

bool VelocityDamper::Update()
{
	RigidBody* body = MainBodyOf(owner->GetId());
	if (body == nullptr || !PhysicsSteps())
		return true;
	Tuple3f velocity = body->velocity * damp;
	for (int axis = 0; axis < 3; ++axis)
		if (std::fabs(velocity[axis]) > maxSpeed[axis])
			velocity[axis] = velocity[axis] > 0.0f ? maxSpeed[axis] : -maxSpeed[axis];
	if (IsFinite(velocity))
		body->velocity = velocity;
	return true;
}
