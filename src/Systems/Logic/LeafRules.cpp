#include "Systems/Logic/LeafRules.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"

#include <cmath>
#include <limits>

namespace
{
	constexpr float kPi = 3.1415927410125732f;
}

float LeafRules::FacingYaw(float dx, float dz)
{
	return std::atan2(dx, dz) + kPi;
}

Composition* LeafRules::Find(unsigned objectId)
{
	const Object object = ObjectFromId(objectId);
	return object.IsDummy() ? nullptr : object.object;
}

Composition* LeafRules::FindByName(const std::string& name)
{
	const Object object = ObjectFromName(name);
	return object.IsDummy() ? nullptr : object.object;
}

Transform* LeafRules::TransformOf(Composition* object)
{
	return object != nullptr ? object->GetComponent<Transform>() : nullptr;
}

RigidBody* LeafRules::BodyOf(Composition* object)
{
	const Body* body = object != nullptr ? object->GetComponent<Body>() : nullptr;
	return body != nullptr ? body->GetBody() : nullptr;
}

void LeafRules::Face(Composition& owner, float yaw)
{
	const Quaternion orientation = QuaternionFromRotationVector(Tuple3f(0.0f, yaw, 0.0f));
	if (RigidBody* body = BodyOf(&owner))
		body->SetOrientation(orientation);
	else if (Transform* transform = TransformOf(&owner))
		transform->SetWorldOrientation(orientation);
}

void LeafRules::Send(Composition* owner, const Message& message)
{
	if (owner != nullptr)
		owner->HandleMessage(message);
}

void LeafRules::Animate(Composition* owner, const char* animation)
{
	Send(owner, Message("SetAnimation").PushString(animation));
}

float LeafRules::ToSeconds(unsigned milliseconds)
{
	auto seconds = static_cast<float>(milliseconds / 1000.0);
	// Rounded down, the seconds would read back a millisecond short and a saved tree would drift.
	if (SecondsToMilliseconds(seconds) < milliseconds)
		seconds = std::nextafter(seconds, std::numeric_limits<float>::infinity());
	return seconds;
}
