#include "Systems/Logic/MovementLeaves.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/Golem.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/PathMovement.h"
#include "Components/Logic/SquaredDistance.h"
#include "Components/Physics/Ragdoll.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Random.h"

#include <cmath>

namespace
{
	// A unit random number in [0, 1].
	double UnitRandom()
	{
		return tw::Rand() / 32767.0;
	}

	void ReadSeconds(Serializer& serializer, std::uint32_t& milliseconds)
	{
		float seconds = LeafRules::ToSeconds(milliseconds);
		serializer.Read(seconds);
		milliseconds = SecondsToMilliseconds(seconds);
	}
}

void Idle::Deserialize(Serializer& serializer)
{
	ReadSeconds(serializer, minIdleTime);
	ReadSeconds(serializer, maxIdleTime);
}

void Idle::Serialize(Serializer& serializer) const
{
	serializer.Write("minIdleTime", LeafRules::ToSeconds(minIdleTime)).Write("maxIdleTime", LeafRules::ToSeconds(maxIdleTime));
}

void Idle::Start()
{
	LeafRules::Send(owner, Message("SetVelocity").Push(Tuple3f(0.0f, 0.0f, 0.0f)));
	LeafRules::Send(owner, Message("StopPathing").PushBool(true));
	LeafRules::Animate(owner, "Idle");
	// Bounds out of order idle for the shortest time rather than a random one.
	const std::uint32_t spread = maxIdleTime > minIdleTime ? maxIdleTime - minIdleTime : 0;
	duration = minIdleTime + (spread > 0 ? static_cast<std::uint32_t>(tw::Rand()) % spread : 0);
	idling.Restart();
}

void Idle::Update()
{
	if (idling.Milliseconds() > duration)
		status = Success;
}

void Wander::Deserialize(Serializer& serializer)
{
	serializer.Read(minWanderDist).Read(maxWanderDist).Read(minSpeed).Read(maxSpeed);
}

void Wander::Serialize(Serializer& serializer) const
{
	serializer.Write("minWanderDist", minWanderDist).Write("maxWanderDist", maxWanderDist);
	serializer.Write("minSpeed", minSpeed).Write("maxSpeed", maxSpeed);
}

void Wander::Start()
{
	if (owner == nullptr)
	{
		status = Failure;
		return;
	}
	const double distance = minWanderDist + (maxWanderDist - minWanderDist) * UnitRandom();
	const double across = UnitRandom() - 0.5;
	const double along = UnitRandom() - 0.5;
	const double length = std::hypot(across, along);
	// Both draws at the middle give no direction: walk along x.
	const double dx = length > 0.0 ? along / length : 1.0;
	const double dz = length > 0.0 ? across / length : 0.0;
	const Transform* transform = owner->GetComponent<Transform>();
	if (transform == nullptr || owner->GetComponent<PathMovement>() == nullptr)
	{
		status = Failure;
		return;
	}
	const Tuple3f target =
		transform->GetWorldPosition() + Tuple3f(static_cast<float>(dx * distance), 0.0f, static_cast<float>(dz * distance));
	const auto speed = static_cast<float>(minSpeed + (maxSpeed - minSpeed) * UnitRandom());
	bool reachable = false;
	owner->HandleMessage(Message("SetSpeed").PushFloat(speed));
	owner->HandleMessage(Message("SetEndPoint").Push(target).Push(&reachable));
	LeafRules::Animate(owner, "Walk");
	if (!reachable)
		status = Failure;
	else
		walking.Restart();
}

void Wander::Update()
{
	const PathMovement* movement = owner != nullptr ? owner->GetComponent<PathMovement>() : nullptr;
	if (movement == nullptr || !movement->IsWalking() || walking.Milliseconds() >= kLongestWalk)
		status = Success;
}

void Tumble::Deserialize(Serializer& serializer)
{
	float standSpeed = std::sqrt(minStandSpeed);
	serializer.Read(standSpeed);
	minStandSpeed = SquaredDistance(standSpeed);
	ReadSeconds(serializer, waitUntilStand);
}

void Tumble::Serialize(Serializer& serializer) const
{
	serializer.Write("minStandSpeed", std::sqrt(minStandSpeed)).Write("waitUntilStand", LeafRules::ToSeconds(waitUntilStand));
}

void Tumble::Start()
{
	resting.Restart();
	const Ragdoll* ragdoll = owner != nullptr ? owner->GetComponent<Ragdoll>() : nullptr;
	if (ragdoll == nullptr || !ragdoll->IsRagdolled())
		status = Failure;
}

void Tumble::Update()
{
	const RigidBody* body = LeafRules::BodyOf(owner);
	const Ragdoll* ragdoll = owner != nullptr ? owner->GetComponent<Ragdoll>() : nullptr;
	if (body == nullptr || ragdoll == nullptr || !ragdoll->IsRagdolled())
		status = Failure;
	if (body == nullptr)
		return;
	const Health* health = owner->GetComponent<Health>();
	// A maximum of 0 gives no share of health to test.
	if (health != nullptr && health->GetMaxHealth() > 0 &&
		static_cast<float>(health->GetHealth()) / static_cast<float>(health->GetMaxHealth()) < kBadlyHurt)
	{
		status = Success;
		return;
	}
	if (body->velocity.LengthSquared() > minStandSpeed)
		resting.Restart();
	if (resting.Milliseconds() > waitUntilStand)
	{
		status = Success;
		owner->HandleMessage(Message("Ragdoll").PushBool(false));
	}
}

namespace
{
	bool GolemLiesDown(Composition* owner)
	{
		const Golem* golem = owner != nullptr ? owner->GetComponent<Golem>() : nullptr;
		return golem != nullptr && golem->IsRagdolled();
	}
}

void BossTumble::Deserialize(Serializer& serializer)
{
	ReadSeconds(serializer, waitUntilStand);
}

void BossTumble::Serialize(Serializer& serializer) const
{
	serializer.Write("waitUntilStand", LeafRules::ToSeconds(waitUntilStand));
}

void BossTumble::Start()
{
	lying.Restart();
	if (!GolemLiesDown(owner))
		status = Failure;
}

void BossTumble::Update()
{
	if (!GolemLiesDown(owner))
		status = Failure;
	// The wait decides, whatever the golem did meanwhile: the tree above chooses whether to run on.
	if (owner != nullptr && lying.Milliseconds() > waitUntilStand)
	{
		status = Success;
		owner->HandleMessage(Message("Ragdoll").PushBool(false));
	}
}
