#include "Systems/Logic/GolemFollowObject.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Utilities/Quaternion.h"
#include "Utilities/MathCommon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{
	constexpr float kFollowRadiansPerDegree = static_cast<float>(kDegreesToRadians);

	// Into (-pi, pi]: the signed angle of the shorter turn.
	float WrapAngle(float angle)
	{
		constexpr float kPi = std::numbers::pi_v<float>;
		angle = std::remainder(angle, 2.0f * kPi);
		return angle <= -kPi ? angle + 2.0f * kPi : angle;
	}
}

void GolemFollowObject::Deserialize(Serializer& serializer)
{
	serializer.Read(targetName).Read(velocity).Read(angularVelocityDegrees).Read(radius).Read(stateTime).Read(lookDirMS);
	angularVelocity = angularVelocityDegrees * kFollowRadiansPerDegree;
}

void GolemFollowObject::Serialize(Serializer& serializer) const
{
	serializer.Write("TargetName", targetName).Write("Velocity", velocity);
	serializer.Write("Angular Velocity", angularVelocityDegrees);
	serializer.Write("Radius", radius).Write("StateTime", stateTime).Write("LookDirMS", lookDirMS);
}

void GolemFollowObject::Start()
{
	following.Restart();
	owner->HandleMessage(Message("SetAnimation").PushString("Walk").PushFloat(0.01f));
	const Object head = ObjectFromName("GolemHead");
	if (!head.IsDummy())
	{
		head.object->HandleMessage(Message("ParticleBurst").PushString("Smoke1").PushU32(20u));
		head.object->HandleMessage(Message("ParticleBurst").PushString("Smoke2").PushU32(20u));
	}
}

void GolemFollowObject::Update()
{
	if (following.Seconds() >= stateTime)
	{
		status = Failure;
		return;
	}
	const Object target = ObjectFromName(targetName);
	if (target.IsDummy())
	{
		status = Failure;
		return;
	}
	const Transform* targetTransform = target.object->GetComponent<Transform>();
	const Transform* ownTransform = owner->GetComponent<Transform>();
	if (targetTransform == nullptr || ownTransform == nullptr)
		return;
	const Tuple3f t = targetTransform->GetWorldPosition();
	const Tuple3f p = ownTransform->GetWorldPosition();
	const Tuple3f d(t.x - p.x, 0.0f, t.z - p.z);
	const float distance = static_cast<float>(d.Length());
	if (!(distance >= kStopDistance))
		return;
	const Tuple3f direction = d * (1.0f / distance);
	const float dt = PhysicsTimeStep();
	const float step = std::min(distance - radius, velocity * dt);
	if (step > 0.0f)
		owner->HandleMessage(Message("SetPos").Push(p + direction * step));

	const Tuple3f rotation = ownTransform->GetWorldRotationVector();
	const Tuple3f look = Quaternion::Rotate(QuaternionFromRotationVector(rotation), lookDirMS);
	const float dot = look.DotProduct(direction);
	const float cross = look.x * direction.z - look.z * direction.x;
	// Wrapped so that the golem turns the shorter way; unwrapped it could turn three quarters round.
	const float angle = WrapAngle(std::atan2(dot, cross) - std::numbers::pi_v<float> / 2.0f);
	const float turn = std::min(std::fabs(angle), angularVelocity * dt);
	const float sign = angle > 0.0f ? 1.0f : -1.0f;
	owner->HandleMessage(Message("SetRot").Push(Tuple3f(rotation.x, rotation.y + sign * turn, rotation.z)));
}
