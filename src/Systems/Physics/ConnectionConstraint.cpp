#include "Systems/Physics/ConnectionConstraint.h"

#include "Systems/Physics/Connection.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/DebugDraw.h"

#include <algorithm>
#include <cmath>

namespace
{
	// Below this a distance or a direction has no usable length.
	constexpr float kShortLength = 0.0001f;
	// The hinge plane holds B's direction to within a degree.
	const float kPlaneLimit = std::sin(0.017453292f);
	// The hinge plane's guide ray is drawn this long every time its row is built.
	constexpr float kGuideRayLength = 2.0f;
	constexpr float kDebugRayLength = 1.0f;
	constexpr float kDebugLineWidth = 1.0f;
	constexpr Tuple4f kBodyAColour{1.0f, 0.5f, 0.0f, 1.0f};
	constexpr Tuple4f kBodyBColour{0.0f, 0.5f, 1.0f, 1.0f};

	void DrawRay(const Tuple3f& start, const Tuple3f& direction, float length, const Tuple4f& colour)
	{
		DebugDraw::DrawLine(start, start + direction * length, kDebugLineWidth, colour);
	}
}

Tuple3f UnitOrZero(const Tuple3f& v)
{
	const double length = v.Length();
	return length > kShortLength ? v * static_cast<float>(1.0 / length) : Tuple3f();
}

const RigidBody& BaseConstraint::BodyA() const
{
	return *owner->bodyA;
}

const RigidBody& BaseConstraint::BodyB() const
{
	return *owner->bodyB;
}

void DistanceConstraint::BuildRows()
{
	const RigidBody& a = BodyA();
	const RigidBody& b = BodyB();
	const Tuple3f pA = a.transforms.world * anchorA;
	const Tuple3f pB = b.transforms.world * anchorB;
	const Tuple3f d = pB - pA;
	const float distance = static_cast<float>(d.Length());
	Tuple3f n = distance >= kShortLength ? d / distance : d;
	// A slack rope exerts nothing.
	if (std::fabs(upperBound) < kShortLength && length > distance)
		n = Tuple3f();
	BuildLinearConstraintRow(*ref.record, beta, std::max(distance - length, 0.0f), n, pA - a.GetWorldCentreOfMass(),
		pB - b.GetWorldCentreOfMass());
}

void DistanceConstraint::DebugDraw() const
{
	DebugDraw::DrawLine(BodyA().transforms.world * anchorA, BodyB().transforms.world * anchorB, kDebugLineWidth,
		kBodyAColour);
}

void DistanceConstraint::MatchAnchorB()
{
	anchorB = BodyB().transforms.inverse * (BodyA().transforms.world * anchorA);
}

void AngleConeConstraint::BuildRows()
{
	BuildAngularConstraintRow(*ref.record, Quaternion::Rotate(BodyA().orientation, directionA),
		Quaternion::Rotate(BodyB().orientation, directionB), limit);
}

void AngleConeConstraint::DebugDraw() const
{
	DrawRay(BodyA().GetPosition(), Quaternion::Rotate(BodyA().orientation, directionA), kDebugRayLength, kBodyAColour);
	DrawRay(BodyB().GetPosition(), Quaternion::Rotate(BodyB().orientation, directionB), kDebugRayLength, kBodyBColour);
}

void AngleAxisConstraint::BuildRows()
{
	const Quaternion& qA = BodyA().orientation;
	const Tuple3f u = Quaternion::Rotate(qA, axis);
	const Tuple3f v = Quaternion::Rotate(qA, reference);
	const Tuple3f w = Quaternion::Rotate(BodyB().orientation, direction);
	// B's direction along the axis itself has no twist to measure: the row stays off.
	const Tuple3f across = UnitOrZero(w - u * u.DotProduct(w));
	BuildAngularConstraintRow(*ref.record, v, across, limit);
}

void AngleAxisConstraint::DebugDraw() const
{
	const Tuple3f start = BodyA().GetPosition();
	DrawRay(start, Quaternion::Rotate(BodyA().orientation, axis), kDebugRayLength, kBodyAColour);
	DrawRay(start, Quaternion::Rotate(BodyA().orientation, reference), kDebugRayLength, kBodyAColour);
	DrawRay(BodyB().GetPosition(), Quaternion::Rotate(BodyB().orientation, direction), kDebugRayLength, kBodyBColour);
}

void AngleAxisConstraint::MatchDirection()
{
	direction = Quaternion::InverseRotate(BodyB().orientation, Quaternion::Rotate(BodyA().orientation, reference));
}

void AnglePlaneConstraint::BuildRows()
{
	const Quaternion& qA = BodyA().orientation;
	const Tuple3f x = UnitOrZero(Quaternion::Rotate(BodyB().orientation, directionB));
	const Tuple3f y = UnitOrZero(Quaternion::InverseRotate(qA, x));
	const float side = sideNormal.DotProduct(y);
	Tuple3f target;
	if (side > threshold)
		target = limitDirection1;
	else if (side < -threshold)
		target = limitDirection2;
	else
		// B's direction along the plane normal has no nearest in-plane direction: the row stays off.
		target = UnitOrZero(y - planeNormal * planeNormal.DotProduct(y));
	const Tuple3f targetWorld = UnitOrZero(Quaternion::Rotate(qA, target));
	DrawRay(BodyA().GetPosition(), targetWorld, kGuideRayLength, kBodyAColour);
	BuildAngularConstraintRow(*ref.record, x, targetWorld, kPlaneLimit);
}

void AnglePlaneConstraint::DebugDraw() const
{
	const Quaternion& qA = BodyA().orientation;
	const Tuple3f start = BodyA().GetPosition();
	DrawRay(start, Quaternion::Rotate(qA, limitDirection1), kDebugRayLength, kBodyAColour);
	DrawRay(start, Quaternion::Rotate(qA, limitDirection2), kDebugRayLength, kBodyAColour);
	DrawRay(BodyB().GetPosition(), Quaternion::Rotate(BodyB().orientation, directionB), kDebugRayLength, kBodyBColour);
}
