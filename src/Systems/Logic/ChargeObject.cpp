#include "Systems/Logic/ChargeObject.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

namespace
{
	// The charger is seen from the target at this height above its position.
	const Tuple3f kViewHeight(0.0f, 1.1f, 0.0f);
	// The charge aims from this height above the charger's position.
	const Tuple3f kChargeHeight(0.0f, 0.8f, 0.0f);
	constexpr float kStopAnimationRate = 0.5f;
	constexpr float kChargeAnimationRate = 0.25f;
}

ChargeObject::ChargeObject()
	: turnStart(Logic::GameMilliseconds()), chargeStart(turnStart), lastImpulse(turnStart)
{
}

void ChargeObject::Deserialize(Serializer& serializer)
{
	float rate = LeafRules::ToSeconds(impulseRate);
	serializer.Read(targetObjName).Read(impulse).Read(rate).Read(maxChargeDist);
	impulseRate = SecondsToMilliseconds(rate);
}

void ChargeObject::Serialize(Serializer& serializer) const
{
	serializer.Write("targetObjName", targetObjName).Write("impulse", impulse);
	serializer.Write("impulseRate", LeafRules::ToSeconds(impulseRate)).Write("maxChargeDist", maxChargeDist);
}

void ChargeObject::Start()
{
	Composition* target = LeafRules::FindByName(targetObjName);
	if (target == nullptr)
	{
		status = Failure;
		return;
	}
	targetId = target->GetId();
	Tuple3f own;
	Tuple3f seen;
	if (!Positions(own, seen))
		return;
	const Tuple3f view = own + kViewHeight - seen;
	if (!(view.LengthSquared() < maxChargeDist * maxChargeDist))
	{
		status = Failure;
		return;
	}
	// The target must see the charger itself first along the line: a charger body with the
	// CONTROLLER flag would be passed through.
	RigidBody* hitBody = nullptr;
	const RigidBody* ownBody = LeafRules::BodyOf(owner);
	if (!Physics::RayCast(seen, view.Normalize(), &hitBody) || ownBody == nullptr || hitBody != ownBody)
	{
		status = Failure;
		return;
	}
	phase = Stopping;
	turnStart = Logic::GameMilliseconds();
}

bool ChargeObject::Positions(Tuple3f& own, Tuple3f& target)
{
	const Transform* targetTransform = LeafRules::TransformOf(LeafRules::Find(targetId));
	const Transform* ownTransform = LeafRules::TransformOf(owner);
	if (targetTransform == nullptr || ownTransform == nullptr)
	{
		status = Failure;
		return false;
	}
	own = ownTransform->GetWorldPosition();
	target = targetTransform->GetWorldPosition();
	return true;
}

void ChargeObject::Update()
{
	switch (phase)
	{
	case Stopping:
		LeafRules::Send(owner, Message("SetVelocity").Push(Tuple3f(0.0f, 0.0f, 0.0f)));
		LeafRules::Send(owner, Message("SetAnimation").PushString("Walk").PushFloat(kStopAnimationRate));
		LeafRules::Send(owner, Message("StopPathing").PushBool(true));
		LeafRules::Send(owner, Message("ParticleActivate").PushString("Dust").PushBool(true));
		phase = Turning;
		break;
	case Turning:
		Turn();
		break;
	case Setting:
		chargeStart = lastImpulse = Logic::GameMilliseconds();
		LeafRules::Send(owner, Message("SetAnimation").PushString("Walk").PushFloat(kChargeAnimationRate));
		phase = Charging;
		break;
	case Charging:
		Charge();
		break;
	}
}

void ChargeObject::Turn()
{
	Tuple3f own;
	Tuple3f target;
	// A target gone while the charger turns ends the charge as it does once it runs.
	if (!Positions(own, target))
		return;
	LeafRules::Face(*owner, LeafRules::FacingYaw(target.x - own.x, target.z - own.z));
	if (Logic::GameMilliseconds() - turnStart > kTurnTime)
		phase = Setting;
}

void ChargeObject::Charge()
{
	Tuple3f own;
	Tuple3f target;
	if (!Positions(own, target))
		return;
	const Tuple3f offset = target - (own + kChargeHeight);
	// A target at the charging point gives no direction: no push this update.
	const bool hasDirection = offset.LengthSquared() > 0.0f;
	const Tuple3f direction = hasDirection ? offset.Normalize() : Tuple3f(0.0f, 0.0f, 0.0f);
	RigidBody* body = LeafRules::BodyOf(owner);
	if (hasDirection)
		LeafRules::Face(*owner, LeafRules::FacingYaw(direction.x, direction.z));
	const std::uint32_t now = Logic::GameMilliseconds();
	if (now - lastImpulse > impulseRate)
	{
		if (body != nullptr)
		{
			body->acceleration = body->acceleration + direction * (body->inverseMass * impulse);
			// A charger that stood still through its turn has fallen asleep, and an asleep body
			// ignores its acceleration: the charge would push nothing.
			body->Wake();
		}
		lastImpulse = now;
	}
	if (now - chargeStart > kChargeTime)
		status = Success;
}

void ChargeObject::Finish()
{
	LeafRules::Send(owner, Message("ParticleClear").PushString("Dust"));
	LeafRules::Send(owner, Message("ParticleActivate").PushString("Dust").PushBool(false));
}
