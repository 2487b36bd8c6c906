#include "Systems/Physics/Constraint.h"

#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>

namespace
{
	// Angular error tolerated before an angle row acts; a fixed amount, not the Slop setting.
	constexpr float kAngularSlop = 0.005f;
	// An angular error at or below this leaves the row switched off.
	constexpr float kAngularErrorEpsilon = 0.0001f;
	// Angle rows correct half of their error per second of Baumgarte factor.
	constexpr float kAngularBiasShare = 0.5f;

	void SetSide(float* half, const Tuple3f& linear, const Tuple3f& angular)
	{
		half[0] = linear.x;
		half[1] = linear.y;
		half[2] = linear.z;
		half[3] = angular.x;
		half[4] = angular.y;
		half[5] = angular.z;
	}

	// −n; −(rA × n) for body A, n; rB × n for body B.
	void SetLinearJacobian(Constraint& row, const Tuple3f& n, const Tuple3f& rA, const Tuple3f& rB)
	{
		SetSide(row.jacobian, -n, -Tuple3f().CrossProduct(rA, n));
		SetSide(row.jacobian + 6, n, Tuple3f().CrossProduct(rB, n));
	}
}

void BuildLinearConstraintRow(Constraint& row, float beta, float error, const Tuple3f& n, const Tuple3f& rA,
	const Tuple3f& rB)
{
	row.bias = -beta * std::max(error - Physics::Settings().slop, 0.0f);
	SetLinearJacobian(row, n, rA, rB);
}

void BuildSlackRopeRow(Constraint& row, RigidBody& bodyA, const Tuple3f& anchorA, RigidBody& bodyB, const Tuple3f& anchorB,
	float slack, float beta)
{
	row.bodyA = &bodyA;
	row.bodyB = &bodyB;
	row.lowerBound = -kUnboundedMultiplier;
	row.upperBound = 0.0f;
	const Tuple3f offset = anchorB - anchorA;
	const float distance = static_cast<float>(offset.Length());
	// Within the slack the row holds nothing, as a slack rope pulls nothing (this also spares
	// anchors that meet their undefined direction).
	const Tuple3f direction = distance > slack ? offset * (1.0f / distance) : Tuple3f();
	BuildLinearConstraintRow(row, beta, std::max(distance - slack, 0.0f), direction, anchorA - bodyA.GetWorldCentreOfMass(),
		anchorB - bodyB.GetWorldCentreOfMass());
}

void BuildContactConstraintRow(Constraint& row, float scale, float depth, const Tuple3f& n, const Tuple3f& rA,
	const Tuple3f& rB)
{
	const PhysicsSettings& settings = Physics::Settings();
	// The depth is corrected in positions only; corrected as speed, it would keep resting piles
	// jittering. A gap (a negative bias) lets the bodies close it within the step, and no further.
	row.bias = depth < 0.0f ? depth / settings.timeStep : settings.baumgarte * std::max(depth - settings.slop, 0.0f);
	row.positional = true;
	row.forceScale = scale;
	SetLinearJacobian(row, n, rA, rB);
}

void BuildSpinConstraintRow(Constraint& row, const Tuple3f& n)
{
	row.bias = 0.0f;
	SetSide(row.jacobian, Tuple3f(), -n);
	SetSide(row.jacobian + 6, Tuple3f(), n);
}

void BuildAngularConstraintRow(Constraint& row, const Tuple3f& a, const Tuple3f& b, float limit)
{
	Tuple3f axis = Tuple3f().CrossProduct(a, b);
	const float error = std::max(static_cast<float>(axis.Length()) - limit - kAngularSlop, 0.0f);
	if (error <= kAngularErrorEpsilon)
	{
		axis = Tuple3f();
		row.upperBound = 0.0f;
	}
	else
		row.upperBound = kUnboundedMultiplier;
	row.bias = Physics::Settings().baumgarte * error * kAngularBiasShare;
	SetSide(row.jacobian, Tuple3f(), axis);
	SetSide(row.jacobian + 6, Tuple3f(), -axis);
}
