#include "Systems/Physics/ConstraintSolver.h"

#include "Systems/Physics/RigidBody.h"

#include <algorithm>
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

	// A row bounded to zero on both sides can carry no impulse (a twist row where several points
	// already hold the turn): it is left out of the solve and keeps no multiplier.
	bool IsInert(const Constraint& row)
	{
		return row.lowerBound == 0.0f && row.upperBound == 0.0f;
	}

	// One projected Gauss-Seidel update of a row's multiplier against the bodies' running sums.
	void Relax(float rhs, const float* jacobian, const float* massJacobian, float inverseDiagonal, float lower,
		float upper, float& multiplier, float* sumA, float* sumB)
	{
		const float delta = (rhs - Dot6(jacobian, sumA) - Dot6(jacobian + 6, sumB)) * inverseDiagonal;
		float lambda = multiplier + delta;
		if (lower > lambda)
			lambda = lower;
		else if (lambda > upper)
			lambda = upper;
		const float change = lambda - multiplier;
		multiplier = lambda;
		AddScaled6(sumA, massJacobian, change);
		AddScaled6(sumB, massJacobian + 6, change);
	}
}

unsigned ConstraintSolver::Pack(RigidBody& body)
{
	if (body.solverSlot < 0)
	{
		body.solverSlot = static_cast<int>(packedBodies.size());
		packedBodies.push_back(&body);
		Vector6& sum = accel.emplace_back();
		std::copy(std::begin(body.solverAccel), std::end(body.solverAccel), sum.v);
		pushAccel.emplace_back() = Vector6{};
	}
	return static_cast<unsigned>(body.solverSlot);
}

void ConstraintSolver::PackRows(ConstraintList& rows)
{
	const float inverseTimeStep = 1.0f / timeStep;
	for (Constraint& row : rows)
	{
		if (IsInert(row))
		{
			row.lambda = 0.0f;
			continue;
		}
		RigidBody& a = *row.bodyA;
		RigidBody& b = *row.bodyB;
		PackedRow& packed = packedRows.emplace_back();
		packed.bodyA = Pack(a);
		packed.bodyB = Pack(b);
		SetMassJacobian(a, row.jacobian, row.massJacobian);
		SetMassJacobian(b, row.jacobian + 6, row.massJacobian + 6);
		AddScaled6(accel[packed.bodyA].v, row.massJacobian, row.lambda);
		AddScaled6(accel[packed.bodyB].v, row.massJacobian + 6, row.lambda);
		const float diagonal = Dot6(row.jacobian, row.massJacobian) + Dot6(row.jacobian + 6, row.massJacobian + 6);
		row.inverseDiagonal = std::fabs(diagonal) > kSingularDiagonal ? 1.0f / diagonal : kSingularInverse;
		const float velocityBias = row.positional ? 0.0f : row.bias;
		row.rhs = velocityBias * inverseTimeStep -
			(Dot6(row.jacobian, a.solverVelocity) + Dot6(row.jacobian + 6, b.solverVelocity));
		packed.lowerBound = row.lowerBound;
		packed.upperBound = row.upperBound;
		packed.lambda = row.lambda;
		packed.inverseDiagonal = row.inverseDiagonal;
		packed.rhs = row.rhs;
		packed.positionRhs = row.positional ? row.bias * inverseTimeStep : 0.0f;
		packed.positionLambda = 0.0f;
		std::copy(std::begin(row.jacobian), std::end(row.jacobian), packed.jacobian);
		std::copy(std::begin(row.massJacobian), std::end(row.massJacobian), packed.massJacobian);
		if (row.positional)
			positionalRows.push_back(static_cast<unsigned>(packedRows.size() - 1));
	}
}

void ConstraintSolver::SolvePositions()
{
	// Rows without depth to correct still take part, or a push could drive a body into another.
	const bool anyDepth = std::any_of(positionalRows.begin(), positionalRows.end(),
		[this](unsigned index) { return packedRows[index].positionRhs > 0.0f; });
	if (!anyDepth)
		return;
	for (int pass = 0; pass < iterations; ++pass)
		for (unsigned index : positionalRows)
		{
			PackedRow& row = packedRows[index];
			Relax(row.positionRhs, row.jacobian, row.massJacobian, row.inverseDiagonal, row.lowerBound, row.upperBound,
				row.positionLambda, pushAccel[row.bodyA].v, pushAccel[row.bodyB].v);
		}
}

void ConstraintSolver::Unpack(ConstraintList& rows)
{
	auto packed = packedRows.begin();
	for (Constraint& row : rows)
	{
		if (IsInert(row))
			continue;
		row.lambda = (packed++)->lambda;
		const float force = row.forceScale * row.lambda;
		AddScaled6(row.bodyA->constraintForce, row.jacobian, force);
		AddScaled6(row.bodyB->constraintForce, row.jacobian + 6, force);
	}
	for (std::size_t i = 0; i < packedBodies.size(); ++i)
	{
		RigidBody& body = *packedBodies[i];
		std::copy(std::begin(accel[i].v), std::end(accel[i].v), body.solverAccel);
		const float* push = pushAccel[i].v;
		body.pushVelocity = Tuple3f(push[0], push[1], push[2]) * timeStep;
		body.pushSpin = Tuple3f(push[3], push[4], push[5]) * timeStep;
		body.solverSlot = -1;
	}
}

void ConstraintSolver::Solve(ConstraintList& rows)
{
	packedRows.clear();
	positionalRows.clear();
	packedBodies.clear();
	accel.clear();
	pushAccel.clear();
	PackRows(rows);
	for (int pass = 0; pass < iterations; ++pass)
		for (PackedRow& row : packedRows)
			Relax(row.rhs, row.jacobian, row.massJacobian, row.inverseDiagonal, row.lowerBound, row.upperBound, row.lambda,
				accel[row.bodyA].v, accel[row.bodyB].v);
	SolvePositions();
	Unpack(rows);
}
