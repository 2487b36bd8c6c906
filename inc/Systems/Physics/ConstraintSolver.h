// ConstraintSolver: projected Gauss-Seidel over the active constraint rows, run once per physics
// step by the resolution stage. Rows are solved at the level of accelerations (velocities divided
// by the time step), so the multipliers are forces; each row starts from last step's multiplier.
// Each step the rows are copied into a dense array and the bodies they join into a compact one, so
// the passes walk memory in order instead of chasing pointers into the full body records.
#pragma once

#include "Systems/Physics/Constraint.h"

#include <vector>

class ConstraintSolver
{
public:
	// Before the call every body of the rows has a zero solverAccel and constraintForce and its
	// velocities divided by timeStep in solverVelocity. Afterwards each body's constraintForce
	// holds the sum of its rows' Jacobians times their scaled multipliers, and its pushVelocity
	// and pushSpin the correction of the positional rows' depth, for this step's positions only.
	void Solve(ConstraintList& rows);

	// Passes over the rows per step; below 1 the solve only warm-starts and hands over.
	int iterations = 10;
	// Seconds per physics step.
	float timeStep = 0.016f;

private:
	struct Vector6
	{
		float v[6];
	};
	struct PackedRow
	{
		unsigned bodyA;
		unsigned bodyB;
		float lowerBound;
		float upperBound;
		float lambda;
		float inverseDiagonal;
		float rhs;
		// The depth's correction speed over the time step for a positional row, else 0.
		float positionRhs;
		float positionLambda;
		float jacobian[12];
		float massJacobian[12];
	};

	unsigned Pack(RigidBody& body);
	void PackRows(ConstraintList& rows);
	void SolvePositions();
	void Unpack(ConstraintList& rows);

	std::vector<PackedRow> packedRows;
	// Indices into packedRows of the rows whose bias corrects positions.
	std::vector<unsigned> positionalRows;
	std::vector<RigidBody*> packedBodies;
	std::vector<Vector6> accel;
	std::vector<Vector6> pushAccel;
};
