#include "Components/Origin.h"
#include "Components/Physics/ZeroRotation.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"

#include "Systems/Physics/FakeCollider.h"
#include "Systems/TestEngine.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

namespace
{
	class RigidBodyTest : public ::testing::Test
	{
	protected:
		// A body of the given mass on an object with a Transform at position and scale.
		RigidBody& MakeBody(float mass, const Tuple3f& position = {}, const Tuple3f& scale = {1.0f, 1.0f, 1.0f})
		{
			const Object object = CreateObject("Crate");
			object.object->AddComponent(Transform::TypeId());
			Transform* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(scale);
			collider.mass = mass;
			body.ownerId = object.id;
			body.transform = transform;
			body.collider = &collider;
			return body;
		}

		ArgumentLists Obstacles(const char* name) const { return engine.ArgumentsOf(name); }

		TestEngine engine{"<Config/>"};
		test::FakeCollider collider;
		RigidBody body;
	};

	// The diagonal inverse inertia of a body whose tensor is diag(2, 4, 8).
	Matrix4 DiagonalInverseInertia()
	{
		Matrix4 inverse = Matrix4::Identity();
		inverse[0] = 0.5f;
		inverse[5] = 0.25f;
		inverse[10] = 0.125f;
		return inverse;
	}
}

TEST(RigidBody, FlagNamesReadAndWriteTheMaskAndUnknownWordsAreNamed)
{
	const struct
	{
		const char* text;
		unsigned mask;
	} cases[] = {{"GHOST NOGRAVITY", 12}, {"", 0}, {" GHOST NOGRAVITY", 12}, {"LOGIC", 16},
		{"STATIC ROTATION GHOST NOGRAVITY LOGIC CONTROLLER NOINTEGRATE", 127}, {"CONTROLLER  STATIC ", 33}};
	for (const auto& c : cases)
		EXPECT_EQ(ParseBodyFlags(c.text), c.mask) << '"' << c.text << '"';

	EXPECT_EQ(FormatBodyFlags(12), " GHOST NOGRAVITY");
	EXPECT_EQ(FormatBodyFlags(0), "");
	for (unsigned mask = 0; mask < 128; ++mask)
		EXPECT_EQ(ParseBodyFlags(FormatBodyFlags(mask)), mask) << "what the formatter writes reads back";

	// An unknown word is skipped and named.
	unsigned mask = 0;
	tw::Diagnostics::Flush();
	const std::string report = StderrOf([&] { mask = ParseBodyFlags("GHOST FLOATY"); });
	tw::Diagnostics::Flush();
	EXPECT_EQ(mask, static_cast<unsigned>(kBodyGhost));
	EXPECT_NE(report.find("FLOATY"), std::string::npos) << report;
}

TEST_F(RigidBodyTest, MassComesFromTheColliderAndNoMassMeansStaticAndAsleep)
{
	MakeBody(2.0f);
	collider.centre = Tuple3f(0.0f, 1.0f, 0.0f);
	collider.inverseInertia = DiagonalInverseInertia();
	body.sleepCounter = 15;
	body.ComputeMass(false);
	EXPECT_FLOAT_EQ(body.inverseMass, 0.5f);
	EXPECT_EQ(body.centreOfMass, collider.centre);
	EXPECT_EQ(body.localInverseInertia, DiagonalInverseInertia());
	EXPECT_FALSE(body.IsStatic());
	EXPECT_FALSE(body.IsAsleep());
	EXPECT_TRUE(Obstacles("AddObstacle").empty());

	// Zero mass is infinite mass: static, asleep, announced as an obstacle once.
	collider.mass = 0.0f;
	body.ComputeMass(false);
	EXPECT_EQ(body.inverseMass, 0.0f);
	EXPECT_TRUE(body.IsStatic());
	EXPECT_TRUE(body.IsAsleep());
	EXPECT_TRUE(body.staticMarker);
	EXPECT_EQ(Obstacles("AddObstacle"), (ArgumentLists{{std::to_string(body.ownerId)}}));

	// A LOGIC body without mass is not static.
	body.flags = kBodyLogic;
	EXPECT_FALSE(body.IsStatic());

	// Without a collider everything is zero.
	body.collider = nullptr;
	body.ComputeMass(false);
	EXPECT_EQ(body.mass, 0.0f);
	EXPECT_EQ(body.localInverseInertia, Matrix4());
	EXPECT_EQ(body.centreOfMass, Tuple3f());
}

TEST_F(RigidBodyTest, ZeroRotationOwnerNeverTurnsUnlessRotationIsKept)
{
	ZeroRotation::Register();
	MakeBody(1.0f);
	collider.inverseInertia = DiagonalInverseInertia();
	body.GetOwner().object->AddComponent(ZeroRotation::TypeId());
	body.sleepCounter = 15;
	body.ComputeMass(false);
	body.UpdateDerived();
	body.ApplyForce(Tuple3f(0.0f, 0.0f, 1.0f), Tuple3f(1.0f, 0.0f, 0.0f));
	EXPECT_EQ(body.angularAcceleration, Tuple3f());

	body.ComputeMass(true);
	body.UpdateDerived();
	body.ApplyForce(Tuple3f(0.0f, 0.0f, 1.0f), Tuple3f(1.0f, 0.0f, 0.0f));
	EXPECT_NE(body.angularAcceleration, Tuple3f());
}

TEST_F(RigidBodyTest, ForceThroughTheCentreOfMassDoesNotTurnAndALeverDoes)
{
	MakeBody(2.0f, Tuple3f(1.0f, 2.0f, 3.0f));
	collider.centre = Tuple3f(0.0f, 0.5f, 0.0f);
	collider.inverseInertia = DiagonalInverseInertia();
	body.sleepCounter = 15;
	body.ComputeMass(false);
	body.UpdateDerived();
	const Tuple3f centre(1.0f, 2.5f, 3.0f);
	ExpectNear(body.GetWorldCentreOfMass(), centre, 1e-6);

	const Tuple3f force(0.0f, 0.0f, 4.0f);
	body.ApplyForce(force, centre);
	ExpectNear(body.acceleration, Tuple3f(0.0f, 0.0f, 2.0f), 1e-6);
	EXPECT_EQ(body.angularAcceleration, Tuple3f());

	// One unit along x: torque (1, 0, 0) × (0, 0, 4) = (0, -4, 0), through the inverse inertia.
	body.ApplyForce(force, centre + Tuple3f(1.0f, 0.0f, 0.0f));
	ExpectNear(body.angularAcceleration, Tuple3f(0.0f, -1.0f, 0.0f), 1e-6);
	ExpectNear(body.acceleration, Tuple3f(0.0f, 0.0f, 4.0f), 1e-6);
	EXPECT_FALSE(body.IsAsleep());
	EXPECT_EQ(body.sleepCounter, 15) << "a force does not wake or reset the counter";
}

TEST_F(RigidBodyTest, MatricesCarryTheTransformScaleAndTheWorldInertiaTurnsWithTheBody)
{
	MakeBody(1.0f, Tuple3f(1.0f, -2.0f, 0.5f), Tuple3f(2.0f, 3.0f, 0.5f));
	collider.inverseInertia = DiagonalInverseInertia();
	body.ComputeMass(false);
	// Not normalised on purpose: UpdateDerived normalises it.
	body.orientation = kQuarterTurnZ * 3.0f;
	body.UpdateDerived();
	ExpectNear(body.orientation, kQuarterTurnZ, 1e-6);

	// T·R·S: (1, 0, 0) scaled to (2, 0, 0), turned to (0, 2, 0), moved.
	ExpectNear(body.transforms.world * Tuple3f(1.0f, 0.0f, 0.0f), Tuple3f(1.0f, 0.0f, 0.5f), 1e-5);
	ExpectNear(body.transforms.inverse * body.transforms.world, Matrix4::Identity(), 1e-5);
	for (int row = 0; row < 3; ++row)
		for (int column = 0; column < 3; ++column)
			EXPECT_EQ(body.transforms.direction.At(row, column), body.transforms.world.At(column, row));
	EXPECT_EQ(body.transforms.direction.At(0, 3), 0.0f);
	EXPECT_EQ(body.transforms.direction.At(3, 3), 0.0f);
	EXPECT_EQ(collider.transformUpdates, 1);
	EXPECT_EQ(collider.boundsUpdates, 1);

	// A quarter turn about z swaps the x and y moments.
	ExpectRowsNear(body.worldInverseInertia, {0.25f, 0, 0, 0, 0.5f, 0, 0, 0, 0.125f}, 1e-6);
}

TEST_F(RigidBodyTest, PositionAndOrientationGoThroughTheOriginOfTheGroup)
{
	MakeBody(1.0f, Tuple3f(1.0f, 0.0f, 0.0f));
	const Object originObject = CreateObject("Origin");
	originObject.object->AddComponent(Origin::TypeId());
	Origin* origin = originObject.object->GetComponent<Origin>();
	origin->SetPosition(Tuple3f(0.0f, 5.0f, 0.0f));
	origin->SetRotation(kQuarterTurnZ);
	body.transform->SetParent(origin);

	ExpectNear(body.GetPosition(), Tuple3f(0.0f, 6.0f, 0.0f), 1e-5);
	body.SetOrientation(kQuarterTurnZ);
	EXPECT_EQ(body.orientation, kQuarterTurnZ);
	ExpectNear(body.transform->GetWorldOrientation(), kQuarterTurnZ, 1e-6);
	body.transform->SetParent(nullptr);
}

TEST_F(RigidBodyTest, StillBodySleepsInTheSixteenthStepAndLosesItsSpeedThen)
{
	MakeBody(1.0f);
	body.Wake();
	ASSERT_EQ(body.sleepCounter, 15);
	EXPECT_TRUE(Obstacles("RemoveObstacle").empty()) << "waking an awake body sends nothing";

	const Tuple3f creep(0.01f, 0.0f, 0.0f);
	for (int step = 1; step <= 15; ++step)
	{
		body.velocity = creep;
		body.UpdateSleep();
		ASSERT_FALSE(body.IsAsleep()) << "step " << step;
		EXPECT_EQ(body.velocity, creep);
	}
	body.UpdateSleep();
	EXPECT_TRUE(body.IsAsleep());
	EXPECT_EQ(body.velocity, Tuple3f());
	EXPECT_EQ(Obstacles("AddObstacle"), (ArgumentLists{{std::to_string(body.ownerId)}}));

	// Moving again resets the count.
	body.Wake();
	body.UpdateSleep();
	body.velocity = Tuple3f(1.0f, 0.0f, 0.0f);
	body.UpdateSleep();
	EXPECT_EQ(body.sleepCounter, 15);
}

TEST_F(RigidBodyTest, AsleepBodyWakesOnlyAboveTenTimesTheThreshold)
{
	MakeBody(1.0f);
	const float epsilon = 0.0005f;
	const struct
	{
		float squaredSpeed;
		bool angular;
		bool wakes;
	} cases[] = {{2.0f * epsilon, false, false}, {10.0f * epsilon, false, false}, {11.0f * epsilon, false, true},
		{11.0f * epsilon, true, true}, {5.0f * epsilon, true, false}};
	for (const auto& c : cases)
	{
		body.sleepCounter = -1;
		const Tuple3f speed(std::sqrt(c.squaredSpeed), 0.0f, 0.0f);
		body.velocity = c.angular ? Tuple3f() : speed;
		body.angularVelocity = c.angular ? speed : Tuple3f();
		const std::size_t removedBefore = Obstacles("RemoveObstacle").size();
		body.UpdateSleep();
		EXPECT_EQ(!body.IsAsleep(), c.wakes) << c.squaredSpeed / epsilon << " epsilon";
		EXPECT_EQ(Obstacles("RemoveObstacle").size() - removedBefore, c.wakes ? 1u : 0u);
		if (!c.wakes)
		{
			EXPECT_EQ(body.velocity + body.angularVelocity, Tuple3f()) << "an asleep body loses its speed";
		}
	}
}
