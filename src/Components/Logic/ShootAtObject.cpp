#include "Components/Logic/ShootAtObject.h"

#include "Components/Logic/BallisticAim.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/MotionRules.h"
#include "Components/Logic/RelayMsg.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Diagnostics.h"

#include <cmath>
#include <numbers>

namespace
{
	// The shot's strength: a full gust.
	constexpr float kStrength = 1.0f;
	// How far ahead of the shooter's centre a shot appears: just outside a shooter a unit across.
	constexpr float kShotStart = 0.6f;
}

bool ShootAtObject::Load(Serializer& serializer)
{
	serializer.Read(objName).Read(message).Read(shootTime).Read(shootSpeed).Read(minimumRange);
	return true;
}

bool ShootAtObject::Serialize(Serializer& serializer)
{
	serializer.Write("objName", objName).Write("message", message).Write("shootTime", shootTime);
	serializer.Write("shootSpeed", shootSpeed).Write("minimum range", minimumRange);
	return true;
}

bool ShootAtObject::Update()
{
	const Object target = ObjectFromName(objName);
	if (target.IsDummy())
		return true;
	Transform* own = RequireTransform(*owner, __ShootAtObjectName::name);
	const Transform* other = target.object->GetComponent<Transform>();
	if (own == nullptr || other == nullptr)
		return true;
	const Tuple3f p = own->GetWorldPosition();
	const Tuple3f q = other->GetWorldPosition();
	if (!PhysicsSteps() || p.DistanceSquared(q) > minimumRange)
		return true;
	const Tuple3f aim = BallisticAim(q - p, shootSpeed, Physics::Settings().Gravity().y);
	// Characters face a point by this angle about the vertical.
	const Tuple3f facing(0.0f, std::atan2(q.x - p.x, q.z - p.z) + std::numbers::pi_v<float>, 0.0f);
	own->SetWorldRotationVector(facing);
	const std::uint32_t now = Logic::GameMilliseconds();
	if (hasShot && now - lastShot <= shootTime)
		return true;
	if (!IsFinite(aim))
	{
		tw::Diagnostics::Report(DescribeComponent(*owner, __ShootAtObjectName::name) + ": \"shootSpeed\" " + std::to_string(shootSpeed) +
			" gives no aim at \"" + objName + "\"; no shot is fired");
		return true;
	}
	// The shot component starts a shot its muzzle distance along the aim from the origin it is
	// given: from the shooter's centre, a shot at a target nearer than that appeared at or past the
	// target and hurt it unseen. Given from behind, it leaves the shooter's own front, in sight.
	const Tuple3f origin = p + aim.Normalize() * (kShotStart - Blow::kMuzzleDistance);
	owner->HandleMessage(Message(message).PushFloat(kStrength).Push(origin).Push(aim).Push(facing));
	lastShot = now;
	hasShot = true;
	return true;
}
