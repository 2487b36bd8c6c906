#include "Components/Logic/ExplodeOnHit.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/ObjectBodies.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <cmath>

namespace
{
	constexpr int kOnlyCountdown = 2;
	constexpr int kAnyStrike = 0;
	// With the lightest strike test, any change of velocity above this (squared) explodes.
	constexpr float kLightStrike = 1.0f;
}

bool ExplodeOnHit::Load(Serializer& serializer)
{
	serializer.Read(minExplodeSpeed);
	serializer.Read(damage);
	serializer.Read(timeToExplode);
	paused = false;
	serializer.Read(paused);
	minExplodeSpeed = std::fabs(minExplodeSpeed);
	minExplodeVelocity = minExplodeSpeed * minExplodeSpeed;
	return true;
}

bool ExplodeOnHit::Serialize(Serializer& serializer)
{
	serializer.Write("minExplodeVelocity", minExplodeSpeed);
	serializer.Write("damage", damage);
	serializer.Write("timeToExplode", timeToExplode);
	serializer.Write("paused", paused);
	return true;
}

bool ExplodeOnHit::Start()
{
	explodeType = 1;
	remaining = ClampToInt(timeToExplode);
	owner->RegisterHandler("PauseClock", &ExplodeOnHit::OnPauseClock);
	owner->RegisterHandler("RestartClock", &ExplodeOnHit::OnRestartClock);
	owner->RegisterHandler("SetExplodeType", &ExplodeOnHit::OnSetExplodeType);
	return true;
}

bool ExplodeOnHit::Update()
{
	if (explodeType != kOnlyCountdown && Struck())
	{
		Explode();
		return true;
	}
	// A fuse of 0 means no countdown.
	if (paused || timeToExplode == 0)
		return true;
	const int step = ClampToInt(std::trunc(static_cast<double>(PhysicsTimeStep()) * 1000.0));
	remaining = ClampToInt(static_cast<double>(remaining) - step);
	if (remaining <= 0)
		Explode();
	return true;
}

bool ExplodeOnHit::Struck() const
{
	const RigidBody* body = MainBodyOf(owner->GetId());
	if (body == nullptr || !(body->mass > 0.0f))
		return false;
	// The last step's contact forces times the inverse mass: the change of velocity they made. A
	// body resting on a floor reads the floor's support, which the halved y brings to 4.9.
	const float* force = body->constraintForce;
	const Tuple3f change(force[0] * body->inverseMass, 0.5f * force[1] * body->inverseMass, force[2] * body->inverseMass);
	const float strike = change.LengthSquared();
	return strike > minExplodeVelocity || (explodeType == kAnyStrike && strike > kLightStrike);
}

void ExplodeOnHit::Explode()
{
	owner->HandleMessage(Message("Death"));
	owner->Destroy();
}

void ExplodeOnHit::OnPauseClock(Message::Reader reader)
{
	reader.Read(paused);
}

void ExplodeOnHit::OnRestartClock(Message::Reader)
{
	remaining = ClampToInt(timeToExplode);
}

void ExplodeOnHit::OnSetExplodeType(Message::Reader reader)
{
	reader.Read(explodeType);
}
