#include "Systems/Particle/DirectionSetters.h"

#include "Composition.h"
#include "Systems/Particle/ParticleWorld.h"

#include <gtest/gtest.h>

#include <cmath>

using test::Applied;
using test::Attached;

namespace
{
	double DegreesBetween(const Tuple3f& a, const Tuple3f& b)
	{
		return std::acos(std::clamp(a.DotProduct(b) / (a.Length() * b.Length()), -1.0, 1.0)) * 57.29577951308232;
	}
}

TEST(DirectionSetters, FixedDirectionsComeOutExactly)
{
	test::ParticleWorld world;
	const struct
	{
		const char* name;
		const char* values;
		Tuple3f expected;
	} cases[] = {
		{"Spawn_Cone_Global", "<float>0</float><Tuple3f>0 3 4</Tuple3f>", Tuple3f(0, 0.6f, 0.8f)},
		{"Spawn_Direction_Global", "<Tuple3f>0 2 0</Tuple3f>", Tuple3f(0, 2, 0)},
		{"Spawn_Cone_Global", "<float>30</float><Tuple3f>0 0 0</Tuple3f>", Tuple3f()},
	};
	for (const auto& c : cases)
		for (int i = 0; i < 20; ++i)
		{
			const Tuple3f velocity = Applied(*Attached(c.name, c.values)).velocity;
			EXPECT_LT((velocity - c.expected).Length(), 1e-6) << c.name << " " << c.values << ": " << velocity;
		}
}

TEST(DirectionSetters, RandomDirectionsAreUnitAndStayInTheirCone)
{
	test::ParticleWorld world;
	const auto cone = Attached("Spawn_Cone_Global", "<float>45</float><Tuple3f>0 5 0</Tuple3f>");
	const auto sphere = Attached("Spawn_Direction_Sphere", "");
	double widest = 0.0;
	for (int i = 0; i < 300; ++i)
	{
		const Tuple3f inCone = Applied(*cone).velocity;
		EXPECT_NEAR(inCone.Length(), 1.0, 1e-5);
		widest = std::max(widest, DegreesBetween(inCone, Tuple3f(0, 1, 0)));
		EXPECT_NEAR(Applied(*sphere).velocity.Length(), 1.0, 1e-5);
	}
	EXPECT_LE(widest, 45.0 + 1e-3);
	EXPECT_GT(widest, 40.0) << "the cone is filled out to its rim";
}

TEST(DirectionSetters, ConeEdgeStepsRoundTheRimAQuarterTurnAtATime)
{
	test::ParticleWorld world;
	const unsigned owner = world.AddBodyObject("Nozzle", Tuple3f(4, 0, 0)).id;
	const auto edge = Attached("Spawn_Cone_Edge_Model", "<float>45</float><Tuple3f>0 1 0</Tuple3f><float>90</float>", owner);
	Tuple3f directions[8];
	for (Tuple3f& direction : directions)
		direction = Applied(*edge).velocity;
	for (int i = 0; i < 8; ++i)
	{
		EXPECT_NEAR(DegreesBetween(directions[i], Tuple3f(0, 1, 0)), 45.0, 1e-3) << i;
		const Tuple3f across = directions[i] - Tuple3f(0, directions[i].y, 0);
		const Tuple3f nextAcross = directions[(i + 1) % 8] - Tuple3f(0, directions[(i + 1) % 8].y, 0);
		EXPECT_NEAR(DegreesBetween(across, nextAcross), 90.0, 1e-3) << i;
		EXPECT_LT((directions[i] - directions[(i + 4) % 8]).Length(), 1e-5) << "repeats after four";
	}
}

TEST(DirectionSetters, CircleSweepsFromTheRightByDAngle)
{
	test::ParticleWorld world;
	const unsigned owner = world.AddBodyObject("Wheel", Tuple3f()).id;
	const auto circle = Attached("Spawn_Direction_Circle", "<float>90</float><Tuple3f>0 1 0</Tuple3f><Tuple3f>1 0 0</Tuple3f>", owner);
	const Tuple3f expected[] = {Tuple3f(1, 0, 0), Tuple3f(0, 0, 1), Tuple3f(-1, 0, 0), Tuple3f(0, 0, -1), Tuple3f(1, 0, 0)};
	for (const Tuple3f& direction : expected)
	{
		const Tuple3f velocity = Applied(*circle).velocity;
		EXPECT_LT((velocity - direction).Length(), 1e-5) << velocity << " vs " << direction;
	}
}

TEST(DirectionSetters, WithoutBodyOrCameraVelocityIsLeftAlone)
{
	test::ParticleWorld world;
	const unsigned bodiless = CreateObject("Bodiless").id;
	Particle particle;
	particle.velocity = Tuple3f(1, 2, 3);
	for (const char* name : {"Spawn_Direction_Model", "Spawn_Direction_Circle", "Spawn_Cone_Model", "Spawn_Cone_Edge_Model",
			 "Spawn_Cone_Camera", "Spawn_Direction_Camera_Radial"})
		EXPECT_EQ(Applied(*Attached(name, "<float>1</float><Tuple3f>0 1 0</Tuple3f>", bodiless), particle).velocity, particle.velocity)
			<< name;
}

TEST(CameraDirectionSetters, RadialSwirlsAboutTheViewAndStaysFiniteOnItsAxis)
{
	const auto world = test::PhysicsComponentWorld::WithGraphics();
	if (world == nullptr)
		GTEST_SKIP() << "needs an X display";
	world->engine.engine->AddSystem(new ParticleManager());
	test::PhysicsComponentWorld::AddCamera(Tuple3f(0, 0, 5));
	const auto radial = Attached("Spawn_Direction_Camera_Radial", "<float>2</float>");
	Particle particle;
	particle.position = Tuple3f(1, 0, 0);
	EXPECT_LT((Applied(*radial, particle).velocity - Tuple3f(0, 2, -4)).Length(), 1e-5);
	particle.position = Tuple3f(0, 0, -3);
	EXPECT_LT((Applied(*radial, particle).velocity - Tuple3f(0, 0, -4)).Length(), 1e-5) << "only the push on the axis";
}
