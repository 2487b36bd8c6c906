// Constraint: one row of a constraint between two bodies, kept by value in the resolution stage's
// active or inactive list. Contacts, connections and gameplay drags all reduce to such rows; the
// row builders below fill a row's Jacobian and bias each step, and the solver finds its multiplier.
#pragma once

#include "Utilities/OrderedContiguousList.h"
#include "Utilities/Tuple.h"

struct RigidBody;

// A multiplier bound that stands for "unbounded" (the float 999999995904).
constexpr float kUnboundedMultiplier = 1e12f;

struct Constraint
{
	// Both are set before the row is enabled.
	RigidBody* bodyA = nullptr;
	RigidBody* bodyB = nullptr;
	float lowerBound = 0.0f;
	float upperBound = 0.0f;
	// Velocity bias, set by the row builders.
	float bias = 0.0f;
	// The bias corrects positions only: the solver moves the bodies apart by it for this step
	// without leaving it in their velocities, which would keep resting contacts jittering. A
	// negative one is a gap, which the velocities may close and the correction never pushes into.
	bool positional = false;
	// The accumulated multiplier (a force); kept from step to step, which warm-starts the solve.
	float lambda = 0.0f;
	// Body A linear (3), angular (3), then body B linear (3), angular (3).
	float jacobian[12]{};
	// Applied to lambda when the forces are handed to the bodies.
	float forceScale = 1.0f;
	// 1 / (J · M⁻¹ · Jᵀ), computed each solve.
	float inverseDiagonal = 0.0f;
	// The right-hand side, computed each solve.
	float rhs = 0.0f;
	// M⁻¹ · Jᵀ, laid out like jacobian.
	float massJacobian[12]{};
};

using ConstraintList = tw::OrderedContiguousList<Constraint>;

// The owner's handle on its row. A row moves between the two lists when it is enabled or
// disabled, so only the handle follows it: never keep the record's address elsewhere.
struct ConstraintRef
{
	Constraint* record = nullptr;
	// True while the record is in the active list.
	bool active = false;
};

// A row along unit direction n between anchors rA and rB (relative to the world centres of mass):
// the bias pulls back β · (error − Slop) once the error passes Slop. Distance constraints and drags.
void BuildLinearConstraintRow(Constraint& row, float beta, float error, const Tuple3f& n, const Tuple3f& rA,
	const Tuple3f& rB);
// A slack rope from the world point anchorA on body A to the world point anchorB on body B: the row
// (bodies, bounds, Jacobian, bias) can only pull anchorB towards anchorA, and within slack of it not
// at all. The drags of the cursor and of the player's grab hold bodies with it.
void BuildSlackRopeRow(Constraint& row, RigidBody& bodyA, const Tuple3f& anchorA, RigidBody& bodyB, const Tuple3f& anchorB,
	float slack, float beta);
// The same row for a contact of the given depth, with the Baumgarte factor and the force scale.
void BuildContactConstraintRow(Constraint& row, float scale, float depth, const Tuple3f& n, const Tuple3f& rA,
	const Tuple3f& rB);
// Opposes the bodies' relative spin about unit axis n; no bias, as there is no angle to restore.
void BuildSpinConstraintRow(Constraint& row, const Tuple3f& n);
// Turns direction a of body A towards direction b of body B about a × b while the sine of their
// angle exceeds limit; otherwise the row is switched off (zero axis, upper bound 0).
void BuildAngularConstraintRow(Constraint& row, const Tuple3f& a, const Tuple3f& b, float limit);
