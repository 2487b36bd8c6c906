#include "Systems/Physics/Constraint.h"

#include "Systems/Physics/PhysicsWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	// The defaults every row builder reads when no Physics system exists.
	constexpr float kConstraintSlop = 0.005f;
	constexpr float kConstraintBaumgarte = 15.0f;
	using test::JacobianPart;

}

TEST(Constraint, LinearRowPullsBackOnlyTheErrorBeyondSlop)
{
	const struct
	{
		float error;
		float bias;
	} cases[] = {{0.0f, 0.0f}, {kConstraintSlop, 0.0f}, {0.004f, 0.0f}, {0.105f, -2.0f * 0.1f}, {1.005f, -2.0f}};
	for (const auto& c : cases)
	{
		Constraint row;
		BuildLinearConstraintRow(row, 2.0f, c.error, Tuple3f(1, 0, 0), Tuple3f(0, 1, 0), Tuple3f(0, 0, 2));
		EXPECT_NEAR(row.bias, c.bias, 1e-6) << "error " << c.error;
	}

	// −n and −(rA × n) for A, n and rB × n for B.
	Constraint row;
	BuildLinearConstraintRow(row, 2.0f, 0.0f, Tuple3f(1, 0, 0), Tuple3f(0, 1, 0), Tuple3f(0, 0, 2));
	EXPECT_EQ(JacobianPart(row, 0), Tuple3f(-1, 0, 0));
	EXPECT_EQ(JacobianPart(row, 3), Tuple3f(0, 0, 1));
	EXPECT_EQ(JacobianPart(row, 6), Tuple3f(1, 0, 0));
	EXPECT_EQ(JacobianPart(row, 9), Tuple3f(0, 2, 0));
	EXPECT_EQ(row.forceScale, 1.0f);
}

TEST(Constraint, ContactRowPushesOutWithBaumgarteAndKeepsItsScale)
{
	Constraint row;
	BuildContactConstraintRow(row, 1.5f, 0.105f, Tuple3f(0, 1, 0), Tuple3f(1, 0, 0), Tuple3f());
	EXPECT_NEAR(row.bias, kConstraintBaumgarte * 0.1f, 1e-5);
	EXPECT_EQ(row.forceScale, 1.5f);
	EXPECT_EQ(JacobianPart(row, 0), Tuple3f(0, -1, 0));
	EXPECT_EQ(JacobianPart(row, 3), Tuple3f(0, 0, -1));

	BuildContactConstraintRow(row, 1.0f, kConstraintSlop, Tuple3f(0, 1, 0), Tuple3f(), Tuple3f());
	EXPECT_EQ(row.bias, 0.0f) << "a penetration within the slop is tolerated";
}

TEST(Constraint, AngularRowActsOnlyBeyondItsLimit)
{
	// a along x, b turned about z by the angle; the row's axis is a × b = (0, 0, sin angle).
	const struct
	{
		float degrees;
		float limit;
		bool active;
	} cases[] = {{0.0f, 0.0f, false}, {10.0f, 0.2f, false}, {10.0f, 0.1f, true}, {30.0f, 0.2f, true},
		{90.0f, 0.996f, false}};
	for (const auto& c : cases)
	{
		const float angle = c.degrees * 0.017453292f;
		Constraint row;
		row.upperBound = 7.0f;
		BuildAngularConstraintRow(row, Tuple3f(1, 0, 0), Tuple3f(std::cos(angle), std::sin(angle), 0), c.limit);
		const float error = std::max(std::sin(angle) - c.limit - 0.005f, 0.0f);
		SCOPED_TRACE(c.degrees);
		EXPECT_EQ(row.upperBound, c.active ? kUnboundedMultiplier : 0.0f);
		EXPECT_NEAR(row.bias, kConstraintBaumgarte * error * 0.5f, 1e-5);
		EXPECT_EQ(JacobianPart(row, 0), Tuple3f());
		EXPECT_EQ(JacobianPart(row, 6), Tuple3f());
		ExpectNear(JacobianPart(row, 3), Tuple3f(0, 0, c.active ? std::sin(angle) : 0.0f), 1e-6);
		ExpectNear(JacobianPart(row, 9), Tuple3f(0, 0, c.active ? -std::sin(angle) : 0.0f), 1e-6);
	}
}
