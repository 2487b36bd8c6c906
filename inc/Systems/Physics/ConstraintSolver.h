// ConstraintSolver: projected Gauss-Seidel over the active constraint rows, run once per physics
// step by the resolution stage. Rows are solved at the level of accelerations (velocities divided
// by the time step), so the multipliers are forces; each row starts from last step's multiplier.
#pragma once

#include "Systems/Physics/Constraint.h"

class ConstraintSolver
{
public:
	// Before the call every body of the rows has a zero solverAccel and constraintForce and its
	// velocities divided by timeStep in solverVelocity. Afterwards each body's constraintForce
	// holds the sum of its rows' Jacobians times their scaled multipliers.
	void Solve(ConstraintList& rows) const;

	// Passes over the rows per step; below 1 the solve only warm-starts and hands over.
	int iterations = 10;
	// Seconds per physics step.
	float timeStep = 0.016f;
};
