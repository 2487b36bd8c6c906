#include "Systems/Physics/ConnectionConstraint.h"

#include "Systems/Physics/PhysicsWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{
	using test::LoadConnection;
	using test::PhysicsWorld;

	// Identity poses, so B's direction is its A-frame direction.
	struct PlaneFixture
	{
		PlaneFixture()
		{
			hinge = LoadConnection("Hinge", Tuple3f(), 90.0f, Tuple3f(1, 0, 0), Tuple3f(1, 0, 0), Tuple3f(0, 0, 1));
			hinge->bodyA = &world.AddBody(0.0f, Tuple3f());
			hinge->bodyB = &world.AddBody(1.0f, Tuple3f(1, 0, 0));
			plane().ref = world.Resolution().CreateConstraint();
		}
		AnglePlaneConstraint& plane() { return static_cast<HingeConnection&>(*hinge).plane; }

		PhysicsWorld world;
		std::unique_ptr<Connection> hinge;
	};
}

TEST(AnglePlaneConstraint, HoldsTheDirectionInThePlaneOrAtTheNearerLimit)
{
	// The plane spans x (first limit) and y (second limit); its normal is z.
	const float r = 1.0f / std::numbers::sqrt2_v<float>;
	const struct
	{
		Tuple3f direction;
		Tuple3f axis;
	} cases[] = {
		{Tuple3f(1, 0, 0), Tuple3f()},
		{Tuple3f(r, r, 0), Tuple3f()},
		// Beyond the first limit: turned back onto x.
		{Tuple3f(r, -r, 0), Tuple3f(0, 0, r)},
		// Beyond the second: onto y.
		{Tuple3f(-r, r, 0), Tuple3f(0, 0, -r)},
		// Out of the plane: onto its projection (0.6, 0.8, 0).
		{Tuple3f(0.3f, 0.4f, 0.866025f), Tuple3f(-0.69282f, 0.519615f, 0)},
		// Along the normal there is no nearest in-plane direction: the row stays off.
		{Tuple3f(0, 0, 1), Tuple3f()},
	};
	for (const auto& c : cases)
	{
		PlaneFixture fixture;
		fixture.plane().directionB = c.direction;
		fixture.plane().BuildRows();
		const Constraint& row = *fixture.plane().ref.record;
		SCOPED_TRACE(::testing::Message() << c.direction);
		ExpectNear(test::JacobianPart(row, 3), c.axis, 1e-5);
		EXPECT_EQ(row.upperBound, c.axis == Tuple3f() ? 0.0f : kUnboundedMultiplier);
		EXPECT_TRUE(std::isfinite(row.bias));
	}
}

TEST(DistanceConstraint, CoincidentAnchorsGiveAFiniteRow)
{
	PhysicsWorld world;
	auto rod = LoadConnection("Rod", 0.0f, Tuple3f(), Tuple3f());
	test::Join(world.Resolution(), *rod, world.AddBody(0.0f, Tuple3f()), world.AddBody(1.0f, Tuple3f(0.00005f, 0, 0)));
	rod->Update(world.Resolution());
	const Constraint& row = *rod->FindDistanceConstraint()->ref.record;
	for (float value : row.jacobian)
		EXPECT_TRUE(std::isfinite(value));
	EXPECT_NEAR(row.jacobian[6], 0.00005f, 1e-9) << "below 0.0001 the direction is the difference itself";
	EXPECT_EQ(row.bias, 0.0f);
}
