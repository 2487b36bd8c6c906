#include "Systems/Physics/ConstraintSolver.h"
#include "Systems/Physics/RigidBody.h"

#include "Systems/Physics/PhysicsWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
	constexpr float kSolverStep = 0.016f;
	const Tuple3f kAlongX(1, 0, 0);

	// A body without inertia moving along x, ready for a solve.
	RigidBody MovingBody(float inverseMass, float velocityX)
	{
		RigidBody body;
		body.inverseMass = inverseMass;
		body.velocity = Tuple3f(velocityX, 0, 0);
		body.solverVelocity[0] = velocityX / kSolverStep;
		return body;
	}

	// A row from a to b along x with no bias, between the given bounds.
	Constraint Row(RigidBody& a, RigidBody& b, float lower = -kUnboundedMultiplier, float upper = kUnboundedMultiplier)
	{
		Constraint row;
		row.bodyA = &a;
		row.bodyB = &b;
		row.lowerBound = lower;
		row.upperBound = upper;
		BuildLinearConstraintRow(row, 0.0f, 0.0f, kAlongX, Tuple3f(), Tuple3f());
		return row;
	}

	// The velocity along x after the resolution stage hands the constraint force over.
	float VelocityAfter(const RigidBody& body)
	{
		return body.velocity.x + body.inverseMass * body.constraintForce[0] * kSolverStep;
	}

	float Solve(ConstraintList& rows, int iterations)
	{
		ConstraintSolver solver;
		solver.iterations = iterations;
		solver.timeStep = kSolverStep;
		solver.Solve(rows);
		return rows.Head()->element.lambda;
	}

	// A static anchor with three bodies of masses 1, 2 and 3 hanging below it on rods, one step
	// after gravity was added: the rods must take the step's gravity back out.
	struct HangingChain
	{
		static constexpr int kLinks = 3;

		explicit HangingChain(const float* warmLambdas)
		{
			rows.Reserve(kLinks);
			const Tuple3f down(0, -1, 0);
			for (int i = 1; i <= kLinks; ++i)
			{
				bodies[i].inverseMass = 1.0f / static_cast<float>(i);
				bodies[i].velocity = Tuple3f(0, -9.8f * kSolverStep, 0);
				bodies[i].solverVelocity[1] = -9.8f;
			}
			for (int i = 0; i < kLinks; ++i)
			{
				Constraint row;
				row.bodyA = &bodies[i];
				row.bodyB = &bodies[i + 1];
				row.lowerBound = -kUnboundedMultiplier;
				row.upperBound = kUnboundedMultiplier;
				row.lambda = warmLambdas != nullptr ? warmLambdas[i] : 0.0f;
				BuildLinearConstraintRow(row, 0.0f, 0.0f, down, Tuple3f(), Tuple3f());
				rows.Insert(row);
			}
		}

		// The largest stretching speed of a rod after the step.
		float Residual() const
		{
			float worst = 0.0f;
			for (int i = 0; i < kLinks; ++i)
			{
				const float upper = bodies[i].velocity.y + bodies[i].inverseMass * bodies[i].constraintForce[1] * kSolverStep;
				const float lower =
					bodies[i + 1].velocity.y + bodies[i + 1].inverseMass * bodies[i + 1].constraintForce[1] * kSolverStep;
				worst = std::max(worst, std::fabs(lower - upper));
			}
			return worst;
		}

		RigidBody bodies[kLinks + 1];
		ConstraintList rows;
	};

	// The fewest iterations after which every rod of the chain stretches slower than 1e-4 m/s.
	int IterationsToSettle(const float* warmLambdas)
	{
		for (int iterations = 0; iterations <= 200; ++iterations)
		{
			HangingChain chain(warmLambdas);
			Solve(chain.rows, iterations);
			if (chain.Residual() < 1e-4f)
				return iterations;
		}
		return -1;
	}
}

TEST(ConstraintSolver, OneRowIsSolvedExactlyInOneIteration)
{
	// Masses 1 and 2 closing at 2 m/s: J M⁻¹ Jᵀ = 1.5, rhs = 2 / dt, λ = rhs / 1.5.
	RigidBody a = MovingBody(1.0f, 1.0f);
	RigidBody b = MovingBody(0.5f, -1.0f);
	ConstraintList rows;
	rows.Reserve(1);
	rows.Insert(Row(a, b));
	const float lambda = Solve(rows, 1);
	EXPECT_NEAR(lambda * kSolverStep, 4.0f / 3.0f, 1e-5);
	EXPECT_NEAR(rows.Head()->element.inverseDiagonal, 1.0f / 1.5f, 1e-6);
	EXPECT_NEAR(a.constraintForce[0], -lambda, 1e-3);
	EXPECT_NEAR(b.constraintForce[0], lambda, 1e-3);
	// Both end at the common velocity that keeps momentum: (1·1 + 2·(−1)) / 3.
	EXPECT_NEAR(VelocityAfter(a), -1.0f / 3.0f, 1e-5);
	EXPECT_NEAR(VelocityAfter(b), -1.0f / 3.0f, 1e-5);
}

TEST(ConstraintSolver, CoupledRowsConvergeToTheHandSolution)
{
	// Three unit masses at 2, 0 and −1 m/s joined by two rigid rows all end at 1/3 m/s; the
	// impulses are 5/3 (A to B) and 4/3 (B to C).
	RigidBody a = MovingBody(1.0f, 2.0f);
	RigidBody b = MovingBody(1.0f, 0.0f);
	RigidBody c = MovingBody(1.0f, -1.0f);
	ConstraintList rows;
	rows.Reserve(2);
	rows.Insert(Row(a, b));
	rows.Insert(Row(b, c));
	Solve(rows, 50);
	EXPECT_NEAR(rows.Head()->element.lambda * kSolverStep, 5.0f / 3.0f, 1e-5);
	EXPECT_NEAR(rows.Tail()->element.lambda * kSolverStep, 4.0f / 3.0f, 1e-5);
	for (const RigidBody* body : {&a, &b, &c})
		EXPECT_NEAR(VelocityAfter(*body), 1.0f / 3.0f, 1e-5);
}

TEST(ConstraintSolver, BoundsClampTheMultiplier)
{
	// The bodies close at 2 m/s, which an unbounded row stops with λ·dt = 1 (unit masses).
	const struct
	{
		float lower;
		float upper;
		float impulse;
	} cases[] = {{-kUnboundedMultiplier, kUnboundedMultiplier, 1.0f}, {-kUnboundedMultiplier, 0.0f, 0.0f},
		{0.0f, 0.0f, 0.0f}, {0.0f, 10.0f, 10.0f * kSolverStep}, {-kUnboundedMultiplier, 20.0f, 20.0f * kSolverStep}};
	for (const auto& c : cases)
	{
		RigidBody a = MovingBody(1.0f, 1.0f);
		RigidBody b = MovingBody(1.0f, -1.0f);
		ConstraintList rows;
		rows.Reserve(1);
		rows.Insert(Row(a, b, c.lower, c.upper));
		EXPECT_NEAR(Solve(rows, 10) * kSolverStep, c.impulse, 1e-5) << "bounds " << c.lower << ", " << c.upper;
	}
}

TEST(ConstraintSolver, SidesWithoutMassAreInert)
{
	// A static body whose collider reported an inertia, joined off-centre to a unit mass.
	RigidBody anchor = MovingBody(0.0f, 0.0f);
	anchor.worldInverseInertia = test::SphereInverseInertia(1.0f, 1.0f);
	RigidBody ball = MovingBody(1.0f, -1.0f);
	ConstraintList rows;
	rows.Reserve(2);
	Constraint row = Row(anchor, ball);
	BuildLinearConstraintRow(row, 0.0f, 0.0f, kAlongX, Tuple3f(0, 1, 0), Tuple3f());
	rows.Insert(row);
	Solve(rows, 5);
	const Constraint& solved = rows.Head()->element;
	for (int i = 0; i < 6; ++i)
		EXPECT_EQ(solved.massJacobian[i], 0.0f) << i;
	for (float accel : anchor.solverAccel)
		EXPECT_EQ(accel, 0.0f);
	EXPECT_NEAR(VelocityAfter(ball), 0.0f, 1e-5) << "the ball alone takes the whole correction";

	// Between two bodies without mass the row is singular: capped, and it moves nothing.
	RigidBody wall = MovingBody(0.0f, 0.0f);
	RigidBody floor = MovingBody(0.0f, 0.0f);
	rows.Clear();
	rows.Insert(Row(wall, floor));
	Solve(rows, 5);
	EXPECT_EQ(rows.Head()->element.inverseDiagonal, 100000.0f);
	for (const RigidBody* body : {&wall, &floor})
		for (float accel : body->solverAccel)
			EXPECT_EQ(accel, 0.0f);
}

TEST(ConstraintSolver, WithoutIterationsLastStepsMultiplierIsHandedOver)
{
	RigidBody a = MovingBody(1.0f, 0.0f);
	RigidBody b = MovingBody(0.5f, 0.0f);
	ConstraintList rows;
	rows.Reserve(1);
	Constraint row = Row(a, b);
	row.lambda = 5.0f;
	row.forceScale = 2.0f;
	rows.Insert(row);
	EXPECT_EQ(Solve(rows, 0), 5.0f);
	EXPECT_EQ(a.constraintForce[0], -10.0f);
	EXPECT_EQ(b.constraintForce[0], 10.0f);
	EXPECT_EQ(a.solverAccel[0], -5.0f);
	EXPECT_EQ(b.solverAccel[0], 2.5f);
}

TEST(ConstraintSolver, ARowBoundedToZeroCarriesNothingAndTheOthersKeepTheirMultipliers)
{
	RigidBody a = MovingBody(1.0f, 0.0f);
	RigidBody b = MovingBody(0.5f, 0.0f);
	ConstraintList rows;
	rows.Reserve(2);
	Constraint inert = Row(a, b, 0.0f, 0.0f);
	inert.lambda = 5.0f;
	rows.Insert(inert);
	Constraint live = Row(a, b);
	live.lambda = 5.0f;
	rows.Insert(live);
	EXPECT_EQ(Solve(rows, 0), 0.0f) << "no stale warm start";
	std::vector<float> lambdas;
	for (const Constraint& row : rows)
		lambdas.push_back(row.lambda);
	EXPECT_EQ(lambdas, (std::vector<float>{0.0f, 5.0f}));
	EXPECT_EQ(a.solverAccel[0], -5.0f);
	EXPECT_EQ(b.solverAccel[0], 2.5f);
}

TEST(ConstraintSolver, WarmStartingSettlesInFewerIterations)
{
	const int cold = IterationsToSettle(nullptr);
	ASSERT_GT(cold, 0);

	// Rows that stay active keep their multipliers: after twenty steps of ten iterations each,
	// every step starting from the last, the chain's rows start close to their answer.
	std::vector<float> lambdas(HangingChain::kLinks, 0.0f);
	for (int step = 0; step < 20; ++step)
	{
		HangingChain chain(lambdas.data());
		Solve(chain.rows, 10);
		lambdas.clear();
		for (const Constraint& row : chain.rows)
			lambdas.push_back(row.lambda);
	}
	const int warm = IterationsToSettle(lambdas.data());

	EXPECT_GE(warm, 0);
	EXPECT_LT(warm, cold);
	std::cout << "Hanging chain of three: " << cold << " iterations cold, " << warm << " warm\n";
}

TEST(ConstraintSolver, TheAccumulatedMultiplierIsClampedNotEachStep)
{
	// Unit masses at rest; a one-sided row (λ >= 0) warm-started at λ·dt = 1. Clamping the running
	// total lets an iteration take part of the warm start back; clamping each change would keep it.
	const struct
	{
		float separating;
		float impulse;
	} cases[] = {
		{0.0f, 0.0f},   // nothing to hold: the whole warm start is taken back, never below 0
		{-1.0f, 1.0f},  // closing at 2 m/s needs λ·dt = 1: the warm start stays
		{-3.0f, 3.0f},  // closing faster: the total grows past the warm start
		{2.0f, 0.0f},   // separating: the total stops at the bound, not below it
	};
	for (const auto& c : cases)
	{
		RigidBody a = MovingBody(1.0f, -c.separating);
		RigidBody b = MovingBody(1.0f, c.separating);
		ConstraintList rows;
		rows.Reserve(1);
		Constraint row = Row(a, b, 0.0f, kUnboundedMultiplier);
		row.lambda = 1.0f / kSolverStep;
		rows.Insert(row);
		EXPECT_NEAR(Solve(rows, 3) * kSolverStep, c.impulse, 1e-5) << "separating at " << c.separating;
		EXPECT_GE(VelocityAfter(b) - VelocityAfter(a), -1e-5f) << "no row may leave the bodies closing";
	}
}

TEST(ConstraintSolver, PositionalRowsSeparateForOneStepWithoutLeavingSpeed)
{
	// Two unit masses at rest overlapping along x; the contact row's bias asks them apart at the
	// given speed. A positional row pushes for this step only; a velocity row keeps the speed.
	for (const bool positional : {true, false})
	{
		RigidBody a = MovingBody(1.0f, 0.0f);
		RigidBody b = MovingBody(1.0f, 0.0f);
		ConstraintList rows;
		rows.Reserve(1);
		Constraint row = Row(a, b, 0.0f, kUnboundedMultiplier);
		row.bias = 0.5f;
		row.positional = positional;
		rows.Insert(row);
		Solve(rows, 10);
		const float push = b.pushVelocity.x - a.pushVelocity.x;
		const float kept = VelocityAfter(b) - VelocityAfter(a);
		EXPECT_NEAR(positional ? push : kept, 0.5f, 1e-5) << "positional " << positional;
		EXPECT_NEAR(positional ? kept : push, 0.0f, 1e-6) << "positional " << positional;
	}
}

TEST(ConstraintSolver, OffCentreRowsTurnTheBodyByItsInverseInertia)
{
	// A unit mass held off-centre by a static anchor, moving into the row (a velocity row) or
	// overlapping it (a positional row), along each axis in turn. Whatever the multiplier, the
	// body's turn is I⁻¹ · (r × n) times it and its push along n is the multiplier itself; the
	// row's relative speed (or push) along n is what it asked for. The inverse inertia is not
	// symmetric on purpose, so that a transposed product shows as well as a swapped axis.
	Matrix4 inverseInertia = Matrix4::Identity();
	const float entries[3][3] = {{2.0f, 0.3f, -0.1f}, {0.5f, 1.5f, 0.2f}, {-0.4f, 0.1f, 3.0f}};
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
			inverseInertia.At(row, column) = entries[row][column];
	const Tuple3f anchorOffset(0.3f, -0.2f, 0.5f);
	for (const bool positional : {false, true})
		for (const Tuple3f& n : {Tuple3f(1, 0, 0), Tuple3f(0, 1, 0), Tuple3f(0, 0, 1)})
		{
			RigidBody anchor = MovingBody(0.0f, 0.0f);
			RigidBody ball = MovingBody(1.0f, 0.0f);
			ball.worldInverseInertia = inverseInertia;
			constexpr float kSpeed = 0.5f;
			if (!positional)
				for (int axis = 0; axis < 3; ++axis)
					ball.solverVelocity[axis] = -n[axis] * kSpeed / kSolverStep;
			ConstraintList rows;
			rows.Reserve(1);
			Constraint row = Row(anchor, ball);
			BuildLinearConstraintRow(row, 0.0f, 0.0f, n, Tuple3f(), anchorOffset);
			row.positional = positional;
			row.bias = positional ? kSpeed : 0.0f;
			rows.Insert(row);
			Solve(rows, 10);

			const Tuple3f linear = positional ? ball.pushVelocity
											  : Tuple3f(ball.solverAccel[0], ball.solverAccel[1], ball.solverAccel[2]) * kSolverStep;
			const Tuple3f turn = positional ? ball.pushSpin
											: Tuple3f(ball.solverAccel[3], ball.solverAccel[4], ball.solverAccel[5]) * kSolverStep;
			const float impulse = linear.DotProduct(n);
			const Tuple3f expectedTurn = inverseInertia * Tuple3f().CrossProduct(anchorOffset, n) * impulse;
			for (int axis = 0; axis < 3; ++axis)
			{
				EXPECT_NEAR(linear[axis], n[axis] * impulse, 1e-5) << "positional " << positional << ", axis " << axis;
				EXPECT_NEAR(turn[axis], expectedTurn[axis], 1e-5) << "positional " << positional << ", axis " << axis;
			}
			// The speed along the row at the anchor point after the solve (or the push's).
			const Tuple3f moved = positional ? Tuple3f() : -n * kSpeed;
			const float alongRow = (moved + linear).DotProduct(n) + turn.DotProduct(Tuple3f().CrossProduct(anchorOffset, n));
			EXPECT_NEAR(alongRow, positional ? kSpeed : 0.0f, 1e-5) << "positional " << positional;
			EXPECT_GT(std::fabs(impulse), 0.1f) << "positional " << positional;
		}
}

TEST(ConstraintSolver, ARowJoiningABodyToItselfActsThroughBothSides)
{
	// Two points of one unit body, above and below its centre, held at the same speed along x:
	// the row forbids the spin about z, which one iteration takes out whole (the row's two sides
	// turn the body the same way, so losing either would leave half of it).
	RigidBody body = MovingBody(1.0f, 0.0f);
	body.worldInverseInertia = Matrix4::Identity();
	constexpr float kSpin = 3.0f;
	body.angularVelocity = Tuple3f(0, 0, kSpin);
	body.solverVelocity[5] = kSpin / kSolverStep;
	ConstraintList rows;
	rows.Reserve(1);
	Constraint row = Row(body, body);
	BuildLinearConstraintRow(row, 0.0f, 0.0f, kAlongX, Tuple3f(0, 1, 0), Tuple3f(0, -1, 0));
	rows.Insert(row);
	Solve(rows, 1);
	EXPECT_NEAR(kSpin + body.solverAccel[5] * kSolverStep, 0.0f, 1e-5);
	EXPECT_NEAR(body.solverAccel[0], 0.0f, 1e-6) << "the two sides' pushes cancel";
}

TEST(ConstraintSolver, OneIterationRelaxesTheRowsInTheirOrder)
{
	// Unit masses a, b, c, d at 2, 0, −1 and 5 m/s and a static g; each row is rigid along x or y
	// between two of them. After one iteration each row has brought its two bodies to one speed
	// along its axis, in the order given: a later row sees what the earlier ones did to its bodies.
	enum Body
	{
		A,
		B,
		C,
		D,
		G
	};
	struct RowLink
	{
		Body first;
		Body second;
		Tuple3f axis;
	};
	const Tuple3f alongY(0, 1, 0);
	const struct
	{
		const char* name;
		std::vector<RowLink> rows;
		float expected[4];
	} cases[] = {
		{"a chain through b", {{A, B, kAlongX}, {B, C, kAlongX}}, {1.0f, 0.0f, 0.0f, 5.0f}},
		{"a run on a, then a to c", {{A, B, kAlongX}, {A, B, kAlongX}, {A, C, kAlongX}}, {0.0f, 1.0f, 0.0f, 5.0f}},
		{"two pairs apart", {{A, B, kAlongX}, {C, D, kAlongX}}, {1.0f, 1.0f, 2.0f, 2.0f}},
		{"a longer second pair", {{A, B, kAlongX}, {C, D, alongY}, {C, D, kAlongX}}, {1.0f, 1.0f, 2.0f, 2.0f}},
		{"a longer first pair", {{C, D, alongY}, {C, D, kAlongX}, {A, B, kAlongX}}, {1.0f, 1.0f, 2.0f, 2.0f}},
		{"two bodies on one static", {{A, G, kAlongX}, {C, G, kAlongX}}, {0.0f, 0.0f, 0.0f, 5.0f}},
		{"two pairs apart, then across them", {{A, B, kAlongX}, {C, D, kAlongX}, {C, B, kAlongX}}, {1.0f, 1.5f, 1.5f, 2.0f}},
		{"apart, then through b", {{C, D, kAlongX}, {A, B, kAlongX}, {B, C, kAlongX}}, {1.0f, 1.5f, 1.5f, 2.0f}},
		{"through b, then apart", {{A, B, kAlongX}, {B, C, kAlongX}, {A, D, kAlongX}}, {3.0f, 0.0f, 0.0f, 3.0f}},
	};
	for (const auto& c : cases)
	{
		RigidBody bodies[] = {MovingBody(1.0f, 2.0f), MovingBody(1.0f, 0.0f), MovingBody(1.0f, -1.0f), MovingBody(1.0f, 5.0f), MovingBody(0.0f, 0.0f)};
		ConstraintList rows;
		rows.Reserve(static_cast<unsigned>(c.rows.size()));
		for (const RowLink& link : c.rows)
		{
			Constraint row = Row(bodies[link.first], bodies[link.second]);
			BuildLinearConstraintRow(row, 0.0f, 0.0f, link.axis, Tuple3f(), Tuple3f());
			rows.Insert(row);
		}
		Solve(rows, 1);
		for (int body = A; body <= D; ++body)
			EXPECT_NEAR(VelocityAfter(bodies[body]), c.expected[body], 1e-5) << c.name << ", body " << body;
	}
}
