#include "Systems/Logic/GolemThrowScraps.h"

#include "Archetype.h"
#include "Components/Logic/BonePose.h"
#include "Components/Logic/Golem.h"
#include "Components/Physics/GolemPoints.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Random.h"

#include <cmath>
#include <numbers>

namespace
{
	// Created objects tumble at up to this many radians per second about each axis.
	constexpr float kRingSpin = 20.0f;

	Tuple3f Normalized(const Tuple3f& v, const Tuple3f& fallback)
	{
		const float length = static_cast<float>(v.Length());
		return length > 1e-6f && std::isfinite(length) ? v * (1.0f / length) : fallback;
	}
}

void GolemThrowScraps::Deserialize(Serializer& serializer)
{
	serializer.Read(targetName).Read(velocity).Read(ghostTime).Read(waitTime).Read(reelTime);
	serializer.Read(spawnFile).Read(numObjects).Read(spawnRadius).Read(throwDistance);
}

void GolemThrowScraps::Serialize(Serializer& serializer) const
{
	serializer.Write("Target Name", targetName).Write("Velocity", velocity).Write("Ghost Time", ghostTime);
	serializer.Write("Wait Time", waitTime).Write("Reel Time", reelTime).Write("Spawn File", spawnFile);
	serializer.Write("Num objects", numObjects).Write("Spawn Radius", spawnRadius).Write("Throw Distance", throwDistance);
}

void GolemThrowScraps::Start()
{
	spawned.clear();
	const Object target = ObjectFromName(targetName);
	// A throw needs somewhere to go and a speed to get there.
	if (target.IsDummy() || !(velocity > 0.0f))
	{
		if (!(velocity > 0.0f))
			tw::Diagnostics::Report(DescribeTreeOwner(owner) + ": GolemThrowScraps has Velocity " + std::to_string(velocity) +
				", not above 0: it throws nothing");
		status = Failure;
		return;
	}
	Aim aim;
	if (const RigidBody* body = RigidBodyOf(*target.object))
	{
		aim.position = body->GetPosition();
		aim.velocity = body->velocity;
	}
	else if (const Transform* transform = target.object->GetComponent<Transform>())
		aim.position = transform->GetWorldPosition();
	TakeScraps("lowerArm_R", "ee_hand_R", aim);
	TakeScraps("lowerArm_L", "ee_hand_L", aim);
	GolemPoints* points = Points();
	for (const unsigned scrap : thrown)
		ThrowScrap(scrap, aim, points);
	inPhase.Restart();
	phase = kGhost;
	owner->HandleMessage(Message("SetAnimation").PushString("Throw").PushFloat(0.1f));
}

void GolemThrowScraps::TakeScraps(const std::string& arm, const std::string& hand, const Aim& aim)
{
	const std::size_t before = thrown.size();
	if (const Golem* golem = owner->GetComponent<Golem>())
		golem->GetScrapsByName(arm, numObjects, thrown);
	if (thrown.size() == before)
		ThrowRing(hand, aim);
}

void GolemThrowScraps::ThrowScrap(unsigned scrap, const Aim& aim, GolemPoints* points) const
{
	RigidBody* body = RigidBodyOf(scrap);
	if (body == nullptr)
		return;
	const Tuple3f d = aim.position - body->GetPosition();
	const float flight = static_cast<float>(d.Length()) / velocity;
	const Tuple3f lead = d + aim.velocity * flight;
	// A lead of no length (the target's motion undoes the offset) throws straight at it.
	body->velocity = Normalized(lead, Normalized(d, Tuple3f())) * velocity;
	body->flags |= kBodyGhost | kBodyNoGravity;
	if (points != nullptr)
		points->SetPointValue(scrap, throwDistance);
}

void GolemThrowScraps::ThrowRing(const std::string& hand, const Aim& aim)
{
	const auto found = LeafRules::BoneInWorld(*owner, hand, "GolemThrowScraps", "that hand throws no ring");
	if (!found)
		return;
	const Tuple3f& handPosition = *found;
	const float flight = static_cast<float>((handPosition - aim.position).Length()) / velocity;
	const Tuple3f ahead = aim.position + aim.velocity * flight;
	const Tuple3f direction = Normalized(ahead - handPosition, Tuple3f(0.0f, 0.0f, 1.0f));
	const Tuple3f u = Normalized(PerpendicularVector(direction), Tuple3f(1.0f, 0.0f, 0.0f));
	const Tuple3f w = Cross(direction, u);
	for (std::uint32_t i = 0; i < numObjects; ++i)
	{
		const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(numObjects);
		const Tuple3f position = handPosition + (u * std::sin(angle) + w * std::cos(angle)) * spawnRadius;
		const Object created = CreateObjectFromArchetype(spawnFile);
		if (created.IsDummy())
			return;
		created.object->Start();
		created.object->HandleMessage(Message("SetPos").Push(position));
		if (RigidBody* body = RigidBodyOf(*created.object))
		{
			body->flags |= kBodyGhost | kBodyNoGravity;
			body->velocity = direction * velocity;
			const auto tumble = [] {
				return static_cast<float>(tw::Rand()) / static_cast<float>(tw::kRandMax) * 2.0f * kRingSpin - kRingSpin;
			};
			const float x = tumble(), y = tumble(), z = tumble();
			body->angularVelocity = Tuple3f(x, y, z);
		}
		spawned.push_back(created.id);
	}
}

void GolemThrowScraps::Update()
{
	const float elapsed = inPhase.Seconds();
	switch (phase)
	{
	case kGhost:
		if (elapsed > ghostTime)
		{
			ClearGhosts();
			phase = kWait;
		}
		break;
	case kWait:
		// Counted from Start: the ghost phase does not restart the clock.
		if (elapsed > waitTime)
		{
			phase = kReel;
			inPhase.Restart();
		}
		break;
	case kReel:
	{
		if (!(reelTime > 0.0f) || elapsed > reelTime)
			status = Success;
		// A reel of no time pulls the ropes in at once.
		const float factor = reelTime > 0.0f ? 1.0f - elapsed / reelTime : 0.0f;
		if (GolemPoints* points = Points())
			for (const unsigned scrap : thrown)
				if (points->IsAttached(scrap))
					points->SetPointValue(scrap, factor * throwDistance);
		break;
	}
	}
}

void GolemThrowScraps::Finish()
{
	if (phase == kGhost)
		ClearGhosts();
	Release();
	thrown.clear();
}

void GolemThrowScraps::ClearGhosts() const
{
	for (const std::vector<unsigned>* list : {&thrown, &spawned})
		for (const unsigned id : *list)
			if (RigidBody* body = RigidBodyOf(id))
				body->flags &= ~kBodyGhost;
}

void GolemThrowScraps::Release() const
{
	GolemPoints* points = Points();
	for (const unsigned scrap : thrown)
	{
		if (points != nullptr)
			points->SetPointValue(scrap, 0.0f);
		if (RigidBody* body = RigidBodyOf(scrap))
			body->flags &= ~kBodyNoGravity;
	}
}

GolemPoints* GolemThrowScraps::Points() const
{
	return owner->GetComponent<GolemPoints>();
}
