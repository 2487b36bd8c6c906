#include "Systems/Logic/LeafRules.h"

#include "Components/Logic/BonePose.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Quaternion.h"
#include "Utilities/ValueText.h"

#include <cmath>
#include <numbers>

float LeafRules::FacingYaw(float dx, float dz)
{
	return std::atan2(dx, dz) + std::numbers::pi_v<float>;
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
	// Files keep six significant digits, and a time reads back truncated: 0.233 s is 232.99999 ms
	// as a float, so a saved tree would lose a millisecond at every save. Where the plain seconds do
	// not read back, half a millisecond more does (exactly below 100 s; beyond, the digits run out
	// and the value settles after one save).
	const auto seconds = static_cast<float>(milliseconds / 1000.0);
	float written = 0.0f;
	if (ValueText::Parse(ValueText::Format(seconds), written) && SecondsToMilliseconds(written) == milliseconds)
		return seconds;
	return static_cast<float>((milliseconds + 0.5) / 1000.0);
}

std::optional<Tuple3f> LeafRules::BoneInWorld(Composition& owner, const std::string& bone, const char* leaf, const char* without)
{
	const auto pose = FindBonePose(owner, bone);
	if (!pose)
	{
		tw::Diagnostics::Report(DescribeTreeOwner(&owner) + ": " + leaf + " finds no bone \"" + bone + "\", " + without);
		return std::nullopt;
	}
	return ModelToWorld(owner, pose->position);
}
