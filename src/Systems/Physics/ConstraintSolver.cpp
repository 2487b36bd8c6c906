#include "Systems/Physics/ConstraintSolver.h"

#include "Systems/Physics/RigidBody.h"

#include <cmath>

namespace
{
	// A row whose J · M⁻¹ · Jᵀ is this small has no effective mass: its inverse is capped instead
	// of divided out. With a zero Jacobian such a row does nothing.
	constexpr float kSingularDiagonal = 0.00001f;
	constexpr float kSingularInverse = 100000.0f;

	float Dot6(const float* a, const float* b)
	{
		return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3] + a[4] * b[4] + a[5] * b[5];
	}

	void AddScaled6(float* target, const float* source, float scale)
	{
		for (int i = 0; i < 6; ++i)
			target[i] += source[i] * scale;
	}

	// M⁻¹ · Jᵀ for one side. A body without mass (static, or kinematic under "LOGIC") is inert:
	// the row moves it neither along nor about anything, whatever inertia its collider reported.
	void SetMassJacobian(const RigidBody& body, const float* jacobian, float* massJacobian)
	{
		if (body.inverseMass == 0.0f)
		{
			for (int i = 0; i < 6; ++i)
				massJacobian[i] = 0.0f;
			return;
		}
		const Tuple3f angular = body.worldInverseInertia * Tuple3f(jacobian[3], jacobian[4], jacobian[5]);
		for (int i = 0; i < 3; ++i)
			massJacobian[i] = body.inverseMass * jacobian[i];
		massJacobian[3] = angular.x;
		massJacobian[4] = angular.y;
		massJacobian[5] = angular.z;
	}

	void SetUp(Constraint& row, float inverseTimeStep)
	{
		RigidBody& a = *row.bodyA;
		RigidBody& b = *row.bodyB;
		SetMassJacobian(a, row.jacobian, row.massJacobian);
		SetMassJacobian(b, row.jacobian + 6, row.massJacobian + 6);
		AddScaled6(a.solverAccel, row.massJacobian, row.lambda);
		AddScaled6(b.solverAccel, row.massJacobian + 6, row.lambda);
		const float diagonal = Dot6(row.jacobian, row.massJacobian) + Dot6(row.jacobian + 6, row.massJacobian + 6);
		row.inverseDiagonal = std::fabs(diagonal) > kSingularDiagonal ? 1.0f / diagonal : kSingularInverse;
		row.rhs = row.bias * inverseTimeStep -
			(Dot6(row.jacobian, a.solverVelocity) + Dot6(row.jacobian + 6, b.solverVelocity));
	}

	void Relax(Constraint& row)
	{
		RigidBody& a = *row.bodyA;
		RigidBody& b = *row.bodyB;
		const float delta =
			(row.rhs - Dot6(row.jacobian, a.solverAccel) - Dot6(row.jacobian + 6, b.solverAccel)) * row.inverseDiagonal;
		float lambda = row.lambda + delta;
		if (row.lowerBound > lambda)
			lambda = row.lowerBound;
		else if (lambda > row.upperBound)
			lambda = row.upperBound;
		const float change = lambda - row.lambda;
		row.lambda = lambda;
		AddScaled6(a.solverAccel, row.massJacobian, change);
		AddScaled6(b.solverAccel, row.massJacobian + 6, change);
	}

	void HandOver(const Constraint& row)
	{
		const float force = row.forceScale * row.lambda;
		AddScaled6(row.bodyA->constraintForce, row.jacobian, force);
		AddScaled6(row.bodyB->constraintForce, row.jacobian + 6, force);
	}
}

void ConstraintSolver::Solve(ConstraintList& rows) const
{
	const float inverseTimeStep = 1.0f / timeStep;
	for (Constraint& row : rows)
		SetUp(row, inverseTimeStep);
	for (int pass = 0; pass < iterations; ++pass)
		for (Constraint& row : rows)
			Relax(row);
	for (const Constraint& row : rows)
		HandOver(row);
}
