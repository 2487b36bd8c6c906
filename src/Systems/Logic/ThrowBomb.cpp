#include "Systems/Logic/ThrowBomb.h"

#include "Components/Logic/BallisticAim.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"

namespace
{
	// A full gust.
	constexpr float kBombStrength = 1.0f;
}

ThrowBomb::ThrowBomb() : lastThrow(Logic::GameMilliseconds())
{
}

void ThrowBomb::Deserialize(Serializer& serializer)
{
	float seconds = LeafRules::ToSeconds(cooldown);
	serializer.Read(targetObjName).Read(shootOffset).Read(shootSpeed).Read(maxShootDist).Read(seconds);
	cooldown = SecondsToMilliseconds(seconds);
}

void ThrowBomb::Serialize(Serializer& serializer) const
{
	serializer.Write("targetObjName", targetObjName).Write("shootOffset", shootOffset).Write("shootSpeed", shootSpeed);
	serializer.Write("maxShootDist", maxShootDist).Write("cooldown", LeafRules::ToSeconds(cooldown));
}

Tuple3f ThrowBomb::LaunchPoint(const Tuple3f& position) const
{
	const RigidBody* body = LeafRules::BodyOf(owner);
	return position + (body != nullptr ? Quaternion::Rotate(body->orientation, shootOffset) : shootOffset);
}

void ThrowBomb::Start()
{
	Composition* target = LeafRules::FindByName(targetObjName);
	LeafRules::Animate(owner, "Idle");
	const Transform* targetTransform = LeafRules::TransformOf(target);
	const Transform* ownTransform = LeafRules::TransformOf(owner);
	if (targetTransform == nullptr || ownTransform == nullptr)
	{
		status = Failure;
		return;
	}
	targetId = target->GetId();
	const Tuple3f q = targetTransform->GetWorldPosition();
	const Tuple3f p = ownTransform->GetWorldPosition();
	const Tuple3f launch = LaunchPoint(p);
	if (!(p.DistanceSquared(q) < maxShootDist * maxShootDist))
	{
		status = Failure;
		return;
	}
	lastThrow = Logic::GameMilliseconds();
	Tuple3f hitPoint;
	// Something nearer the target than the launch point blocks the throw; the node still waits
	// out its cooldown.
	if (Physics::RayCast(q, (launch - q).Normalize(), nullptr, &hitPoint) && q.DistanceSquared(launch) > q.DistanceSquared(hitPoint))
		return;
	const Tuple3f facing(0.0f, LeafRules::FacingYaw(q.x - launch.x, q.z - launch.z), 0.0f);
	LeafRules::Face(*owner, facing.y);
	const Tuple3f aim = BallisticAim(q - launch, shootSpeed, Physics::Settings().Gravity().y);
	LeafRules::Animate(owner, "Throw");
	owner->HandleMessage(Message("SetVelocity").Push(Tuple3f(0.0f, 0.0f, 0.0f)));
	owner->HandleMessage(Message("StopPathing").PushBool(true));
	owner->HandleMessage(Message("StartGust").PushFloat(kBombStrength).Push(launch).Push(aim).Push(facing));
}

void ThrowBomb::Update()
{
	const Transform* targetTransform = LeafRules::TransformOf(LeafRules::Find(targetId));
	const Transform* ownTransform = LeafRules::TransformOf(owner);
	// A target gone meanwhile ends the node: there is nothing left to face.
	if (targetTransform == nullptr || ownTransform == nullptr)
	{
		status = Failure;
		return;
	}
	const Tuple3f offset = targetTransform->GetWorldPosition() - ownTransform->GetWorldPosition();
	if (offset.x != 0.0f || offset.z != 0.0f)
		LeafRules::Face(*owner, LeafRules::FacingYaw(offset.x, offset.z));
	if (Logic::GameMilliseconds() - lastThrow >= cooldown)
		status = Success;
}
