#include "Systems/Logic/GolemTeleport.h"

#include "Components/Logic/BonePose.h"
#include "Components/Physics/GolemPoints.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Random.h"
#include "Utilities/MathCommon.h"

#include <algorithm>
#include <numbers>

namespace
{
	constexpr float kTeleportRadiansPerDegree = static_cast<float>(kDegreesToRadians);
	// Rope length that lets a flung scrap fly freely.
	constexpr float kFlungRopeLength = 500.0f;

	// A phase of no time (or a NaN one) is over in its first update.
	bool PhaseOver(float elapsed, float duration)
	{
		return !(duration > 0.0f) || elapsed > duration;
	}

	// How far through the phase, 1 for a phase of no time.
	float PhaseFraction(float elapsed, float duration)
	{
		return duration > 0.0f ? std::min(elapsed / duration, 1.0f) : 1.0f;
	}
}

void GolemTeleport::Deserialize(Serializer& serializer)
{
	serializer.Read(spinupTime).Read(explodeTime).Read(travelTime).Read(regroupTime).Read(spindownTime);
	serializer.Read(spinVelocityDegrees).Read(explodeVelocity).Read(locationOffset);
	spinVelocity = spinVelocityDegrees * kTeleportRadiansPerDegree;
	rLocations.clear();
	if (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		while (serializer.HasValue())
		{
			Tuple2f place;
			serializer.Read(place);
			rLocations.push_back(place);
		}
		serializer.LeaveNode();
	}
	if (!rLocations.empty())
		locationIndex = static_cast<std::uint32_t>(tw::Rand()) % rLocations.size();
}

void GolemTeleport::Serialize(Serializer& serializer) const
{
	serializer.Write("spinupTime", spinupTime).Write("explodeTime", explodeTime).Write("travelTime", travelTime);
	serializer.Write("regroupTime", regroupTime).Write("spindownTime", spindownTime);
	serializer.Write("RAD2DEG(spinVelocity)", spinVelocityDegrees).Write("explodeVelocity", explodeVelocity);
	serializer.Write("locationOffset", locationOffset);
	serializer.EnterNode("", "");
	for (std::size_t i = 0; i < rLocations.size(); ++i)
		serializer.Write(("rLocations[" + std::to_string(i) + "]").c_str(), rLocations[i]);
	serializer.LeaveNode();
}

void GolemTeleport::Start()
{
	const std::size_t count = rLocations.size();
	// The choice of another place divides by the number of the others.
	if (count == 0)
	{
		status = Failure;
		return;
	}
	locationIndex = count == 1 ? 0
		: static_cast<std::uint32_t>((locationIndex + 1 + static_cast<std::size_t>(tw::Rand()) % (count - 1)) % count);
	EnterPhase(kSpinUp);
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f position = transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
	start = Tuple2f(position.x, position.z);
	const Tuple2f& place = rLocations[locationIndex];
	destination = Tuple2f(locationOffset.x + place.x, locationOffset.y + place.y);
	spin = 0.0f;
	owner->HandleMessage(Message("SetAnimation").PushString("Walk").PushFloat(0.0f));
}

void GolemTeleport::Update()
{
	phaseElapsed = inPhase.Seconds();
	GolemPoints* points = Points();
	switch (phase)
	{
	case kSpinUp:
		if (PhaseOver(phaseElapsed, spinupTime))
		{
			SetSpin(spinVelocity);
			PrepareRelease(points);
			EnterPhase(kExplode);
			owner->HandleMessage(Message("Cyclone"));
		}
		else
		{
			spin = phaseElapsed / spinupTime * spinVelocity;
			SetSpin(spin);
		}
		break;
	case kExplode:
		SetSpin(spinVelocity);
		if (points != nullptr)
			for (std::size_t i = 0; i < scraps.size(); ++i)
				if (phaseElapsed >= releaseTimes[i])
					Fling(i, *points);
		if (PhaseOver(phaseElapsed, explodeTime))
			EnterPhase(kTravel);
		break;
	case kTravel:
	{
		SetSpin(spinVelocity);
		const float t = PhaseFraction(phaseElapsed, travelTime);
		const RigidBody* body = RigidBodyOf(*owner);
		const Transform* transform = owner->GetComponent<Transform>();
		const float height = body != nullptr ? body->GetPosition().y : (transform != nullptr ? transform->GetWorldPosition().y : 0.0f);
		owner->HandleMessage(Message("SetPos").Push(Tuple3f(start.x + (destination.x - start.x) * t, height,
			start.y + (destination.y - start.y) * t)));
		if (PhaseOver(phaseElapsed, travelTime))
		{
			MeasureDistances(points);
			EnterPhase(kRegroup);
		}
		break;
	}
	case kRegroup:
		if (points != nullptr && regroupTime > 0.0f)
			for (std::size_t i = 0; i < scraps.size(); ++i)
				if (!ObjectFromId(scraps[i]).IsDummy())
					points->SetPointValue(scraps[i], (1.0f - phaseElapsed / regroupTime) * distances[i]);
		if (PhaseOver(phaseElapsed, regroupTime))
		{
			Land(points);
			EnterPhase(kSpinDown);
		}
		break;
	case kSpinDown:
		if (PhaseOver(phaseElapsed, spindownTime))
		{
			SetSpin(0.0f);
			status = Success;
		}
		else
		{
			spin = (1.0f - phaseElapsed / spindownTime) * spinVelocity;
			SetSpin(spin);
		}
		break;
	}
}

void GolemTeleport::EnterPhase(Phase next)
{
	phase = next;
	inPhase.Restart();
}

void GolemTeleport::SetSpin(float rate) const
{
	if (RigidBody* body = RigidBodyOf(*owner))
		body->angularVelocity = Tuple3f(0.0f, rate, 0.0f);
}

void GolemTeleport::PrepareRelease(const GolemPoints* points)
{
	scraps.clear();
	releaseTimes.clear();
	if (points == nullptr)
		return;
	points->GetAttachedObjects(scraps);
	for (std::size_t i = 0; i < scraps.size(); ++i)
		releaseTimes.push_back((explodeTime - 0.0001f) * static_cast<float>(tw::Rand() % 10000) / 10000.0f);
}

void GolemTeleport::Fling(std::size_t scrap, GolemPoints& points) const
{
	// A scrap shed or destroyed since the spin-up is no longer the golem's to fling.
	if (!points.IsAttached(scraps[scrap]))
		return;
	RigidBody* body = RigidBodyOf(scraps[scrap]);
	if (body == nullptr)
		return;
	body->flags |= kBodyGhost | kBodyNoGravity;
	body->velocity = Tuple3f(0.0f, explodeVelocity, 0.0f);
	points.SetPointValue(scraps[scrap], kFlungRopeLength);
}

void GolemTeleport::MeasureDistances(const GolemPoints* points)
{
	distances.clear();
	for (const unsigned scrap : scraps)
	{
		const RigidBody* body = RigidBodyOf(scrap);
		distances.push_back(body != nullptr && points != nullptr
				? static_cast<float>((body->GetPosition() - points->GetObjectPointPosition(scrap)).Length())
				: 0.0f);
	}
}

void GolemTeleport::Land(GolemPoints* points) const
{
	for (const unsigned scrap : scraps)
	{
		RigidBody* body = RigidBodyOf(scrap);
		if (body == nullptr || points == nullptr || !points->IsAttached(scrap))
			continue;
		body->flags &= ~(kBodyGhost | kBodyNoGravity);
		points->SetPointValue(scrap, 0.0f);
	}
}

GolemPoints* GolemTeleport::Points() const
{
	return owner->GetComponent<GolemPoints>();
}
