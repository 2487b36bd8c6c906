#include "Components/Logic/AirJump.h"

#include "Components/Logic/CameraAim.h"
#include "Components/Physics/ObjectBodies.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <cmath>

namespace
{
	constexpr float kMinStrength = 0.0001f;
	constexpr double kRadiansPerDegree = 0.017453292519943295;
	constexpr double kDegreesPerRadian = 57.29577951308232;

	// A direction already of unit length is kept as it is, so that a saved direction reads back
	// unchanged (normalising again can move its last digit); one too short to give a direction
	// becomes zero, which never launches. Divided in double, so that a direction longer than the
	// largest float still gives a unit one.
	Tuple3f UnitDirection(const Tuple3f& direction)
	{
		const double length = direction.Length();
		if (!std::isfinite(length) || TupleMath::IsZeroLength<float>(length))
			return Tuple3f();
		if (std::abs(length - 1.0) <= 1e-6)
			return direction;
		return Tuple3f(static_cast<float>(direction.x / length), static_cast<float>(direction.y / length),
			static_cast<float>(direction.z / length));
	}
}

bool AirJump::Load(Serializer& serializer)
{
	float degrees = 0.0f;
	serializer.Read(jumpDir).Read(degrees).Read(maxChargeTime).Read(maxGroundDist).Read(minJumpForce).Read(maxJumpForce);
	jumpDir = UnitDirection(jumpDir);
	angleTolerance = static_cast<float>(degrees * kRadiansPerDegree);
	return true;
}

bool AirJump::Serialize(Serializer& serializer)
{
	serializer.Write("jumpDir", jumpDir)
		.Write("angleTolerance", static_cast<float>(angleTolerance * kDegreesPerRadian))
		.Write("maxChargeTime", maxChargeTime)
		.Write("maxGroundDist", maxGroundDist)
		.Write("minJumpForce", minJumpForce)
		.Write("maxJumpForce", maxJumpForce);
	return true;
}

bool AirJump::Start()
{
	owner->RegisterHandler("StartGust", &AirJump::OnStartGust);
	return true;
}

void AirJump::OnStartGust(Message::Reader reader)
{
	float strength = 0.0f;
	reader.Read(strength);
	// No ground distance leaves no height at which the jump could work (and nothing to divide by).
	if (!(strength >= kMinStrength) || !(maxGroundDist > 0.0f))
		return;
	strength = std::min(strength, 1.0f);
	std::optional<CameraAim> aim = CameraAim::Active();
	if (reader.HasMore())
	{
		Tuple3f origin;
		Tuple3f direction;
		reader.Read(origin);
		reader.Read(direction);
		aim = CameraAim{origin, direction.Normalize()};
	}
	if (!aim)
		return;
	const float angle = std::acos(std::clamp(aim->direction.DotProduct(-jumpDir), -1.0f, 1.0f));
	RigidBody* ground = nullptr;
	Tuple3f groundPoint;
	if (!(angle <= angleTolerance) || !aim->Cast(ground, groundPoint) || !(ground->IsStatic() || ground->IsAsleep()))
		return;
	const float height = jumpDir.DotProduct(aim->eye - groundPoint);
	RigidBody* body = MainBodyOf(owner->GetId());
	if (height > maxGroundDist || body == nullptr)
		return;
	const float force = minJumpForce + (maxJumpForce - minJumpForce) * strength * (1.0f - height / maxGroundDist);
	const float speed = force * body->inverseMass;
	body->velocity = body->velocity - jumpDir * body->velocity.DotProduct(jumpDir) + jumpDir * speed;
	body->angularAcceleration = Tuple3f();
}
