// ConstraintSolver: projected Gauss-Seidel over the active constraint rows, run once per physics
// step by the resolution stage. Rows are solved at the level of accelerations (velocities divided
// by the time step), so the multipliers are forces; each row starts from last step's multiplier.
// Each step the rows are copied into a dense array and the bodies they join into a compact one, so
// the passes walk memory in order instead of chasing pointers into the full body records.
#pragma once

#include "Systems/Physics/Constraint.h"
#include "Utilities/FloatLanes.h"

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
	// A side of a row or a body takes two: linear x, y, z, then angular x, y, z, each with a fourth
	// lane that stays zero.
	using Lanes = FloatLanes;
	struct Side
	{
		Lanes linear;
		Lanes angular;
	};
	// The solver's copy of what it reads of a body, so that the row set-up walks one array.
	struct PackedBody
	{
		RigidBody* body;
		float inverseMass;
		// The rotation part of the world inverse inertia, column by column.
		Lanes inverseInertiaColumns[3];
		float velocity[6];
	};
	struct PackedRow
	{
		Side jacobianA;
		Side jacobianB;
		Side massJacobianA;
		Side massJacobianB;
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
	};

	static Side Spread(const float* side);
	static void Gather(const Side& side, float* six);
	static Side MassJacobian(const PackedBody& body, const Side& jacobian);
	static void Relax(const PackedRow& row, float rhs, float& multiplier, Side& sumA, Side& sumB);
	// Consecutive rows on one pair of bodies form a run; a group is one run, or two adjacent runs
	// on bodies apart from each other. Indices count rows of the pass, not of packedRows.
	struct RunGroup
	{
		unsigned first;
		unsigned count;
		unsigned secondFirst;
		unsigned secondCount;
	};
	bool Apart(const PackedRow& first, const PackedRow& second) const;
	template <class RowAt>
	void GroupRuns(std::size_t rowCount, RowAt rowAt, std::vector<RunGroup>& groups) const;
	template <class RowAt>
	static void RelaxGroups(const std::vector<RunGroup>& groups, RowAt rowAt, float PackedRow::*rhs,
		float PackedRow::*multiplier, std::vector<Side>& sums);
	unsigned Pack(RigidBody& body);
	void PackRows(ConstraintList& rows);
	void SolvePositions();
	void Unpack(ConstraintList& rows);

	std::vector<PackedRow> packedRows;
	// Indices into packedRows of the rows whose bias corrects positions.
	std::vector<unsigned> positionalRows;
	std::vector<PackedBody> packedBodies;
	// Per packed body: the running inverse mass × constraint force, and the same for the
	// positional rows' push.
	std::vector<Side> accel;
	std::vector<Side> pushAccel;
	// The runs of the pass being solved, regrouped for each pass's row set.
	std::vector<RunGroup> runGroups;
};
