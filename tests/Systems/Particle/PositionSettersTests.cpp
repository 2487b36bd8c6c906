#include "Systems/Particle/PositionSetters.h"

#include "Composition.h"
#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using test::Applied;
using test::Attached;
using test::MakeSetter;

namespace
{
	constexpr double kDegree = 0.017453292519943295;

	void ExpectPositionNear(const Tuple3f& actual, const Tuple3f& expected, const std::string& what)
	{
		EXPECT_LT((actual - expected).Length(), 1e-5) << what << ": " << actual << " vs " << expected;
	}
}

TEST(PositionSetters, ShapesSpawnWithinTheirRadiusAboutTheModelPointCarriedByTheBody)
{
	test::ParticleWorld world;
	const unsigned owner = world.AddBodyObject("Lamp", Tuple3f(10, 0, 0)).id;
	const struct
	{
		const char* name;
		const char* values;
	} cases[] = {
		{"Spawn_Position_Point", "<Tuple3f>1 2 3</Tuple3f>"},
		{"Spawn_Position_Line", "<Tuple3f>1 2 3</Tuple3f><Tuple3f>1 2 3</Tuple3f>"},
		{"Spawn_Position_Circle", "<float>0</float><Tuple3f>0 1 0</Tuple3f><Tuple3f>1 2 3</Tuple3f>"},
		{"Spawn_Position_Sphere", "<float>0</float><Tuple3f>1 2 3</Tuple3f>"},
	};
	for (const auto& c : cases)
		for (int i = 0; i < 5; ++i)
		{
			const Particle particle = Applied(*Attached(c.name, c.values, owner));
			ExpectPositionNear(particle.position, Tuple3f(11, 2, 3), c.name);
			EXPECT_EQ(particle.base, particle.position) << c.name;
		}
	const auto sphere = Attached("Spawn_Position_Sphere", "<float>2</float><Tuple3f>0 0 0</Tuple3f>", owner);
	const auto disc = Attached("Spawn_Position_Circle", "<float>2</float><Tuple3f>0 1 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>", owner);
	for (int i = 0; i < 200; ++i)
	{
		EXPECT_LT((Applied(*sphere).position - Tuple3f(10, 0, 0)).Length(), 2.0);
		const Tuple3f onDisc = Applied(*disc).position;
		EXPECT_TRUE(std::fabs(onDisc.y) < 1e-6 && (onDisc - Tuple3f(10, 0, 0)).Length() < 2.0) << onDisc << ": a disc facing +y";
	}
}

TEST(PositionSetters, ALineSpawnsAlongTheWholeSegmentBetweenItsEnds)
{
	test::ParticleWorld world;
	const unsigned owner = world.AddBodyObject("Lamp", Tuple3f(10, 0, 0)).id;
	const auto line = Attached("Spawn_Position_Line", "<Tuple3f>0 1 0</Tuple3f><Tuple3f>2 1 0</Tuple3f>", owner);
	float lowest = 20.0f;
	float highest = 0.0f;
	for (int i = 0; i < 200; ++i)
	{
		const Tuple3f at = Applied(*line).position;
		EXPECT_TRUE(at.x >= 10.0f && at.x <= 12.0f && at.y == 1.0f && at.z == 0.0f) << at;
		lowest = std::min(lowest, at.x);
		highest = std::max(highest, at.x);
	}
	EXPECT_LT(lowest, 10.2f);
	EXPECT_GT(highest, 11.8f);
}

TEST(PositionSetters, WithoutABodyTheSetterLeavesTheParticleAlone)
{
	test::ParticleWorld world;
	const unsigned bodiless = CreateObject("Bodiless").id;
	Particle particle;
	particle.position = Tuple3f(1, 2, 3);
	for (const char* name : {"Spawn_Position_Point", "Spawn_Position_Line", "Spawn_Position_Circle", "Spawn_Position_Sphere",
			 "Spawn_Position_Relative", "Spawn_Fire", "Spawn_Position_Camera", "Spawn_Position_Camera_Circle"})
	{
		const Particle after = Applied(*Attached(name, "", bodiless), particle);
		EXPECT_EQ(after.position, particle.position) << name;
		EXPECT_EQ(after.base, particle.base) << name;
	}
}

TEST(PositionSetters, RunningAnglesStepByTheirDegreesFromZero)
{
	test::ParticleWorld world;
	const auto ring = Attached("Spawn_Ring", "<float>90</float><float>2</float><float>0.5</float>", 0);
	const auto stars = Attached("Spawn_Pig_Stars", "<float>90</float>", 0);
	Particle placed;
	placed.position = Tuple3f(7, 7, 7);
	for (int step = 1; step <= 5; ++step)
	{
		const Particle ringed = Applied(*ring, placed);
		EXPECT_NEAR(ringed.base.x, step * 90 * kDegree, 1e-5) << step;
		EXPECT_EQ(ringed.base.y, 0.5f);
		EXPECT_EQ(ringed.base.z, 2.0f);
		EXPECT_EQ(ringed.position, placed.position);
		const Particle starred = Applied(*stars, placed);
		EXPECT_EQ(starred.base, Tuple3f(ringed.base.x, 0, 0));
	}
	ring->Attach(0);
	EXPECT_NEAR(Applied(*ring).base.x, 90 * kDegree, 1e-6) << "Attach starts again from 0";
}

TEST(PositionSetters, FireSeedsCoverTheDiscEvenlyAndLeaveFastestFromTheCentre)
{
	test::ParticleWorld world;
	const unsigned owner = world.AddBodyObject("Torch", Tuple3f(0, 1, 0)).id;
	const auto point = Attached("Spawn_Fire", "<float>0</float><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 2 0</Tuple3f>", owner);
	for (int i = 0; i < 20; ++i)
	{
		const Particle centred = Applied(*point);
		ExpectPositionNear(centred.position, Tuple3f(0, 1, 0), "radius 0");
		EXPECT_TRUE(centred.velocity.x == 0 && centred.velocity.z == 0 && centred.velocity.y > 0 && centred.velocity.y <= 1)
			<< centred.velocity;
	}

	tw::SeedRand(5);
	const auto fire = Attached("Spawn_Fire", "<float>2</float><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 1 0</Tuple3f>", owner);
	constexpr int kSeeds = 4000;
	int rings[4] = {};
	for (int i = 0; i < kSeeds; ++i)
	{
		const Particle seed = Applied(*fire);
		const Tuple3f offset = seed.position - Tuple3f(0, 1, 0);
		ASSERT_NEAR(offset.y, 0.0f, 1e-6);
		const double share = offset.Length() / 2.0;
		ASSERT_LE(share, 1.0);
		EXPECT_NEAR(seed.velocity.y, std::sqrt(std::max(0.0, 1.0 - share * share)), 1e-4);
		// Four rings of equal area.
		++rings[std::min(3, static_cast<int>(share * share * 4))];
	}
	// (ρ/r)² is Rand01, whose 15-bit source makes low values a little likelier: the expected share
	// of each ring comes from every value the generator can give.
	double expected[4] = {};
	for (int value = 0; value <= tw::kRandMax; ++value)
		expected[std::min(3, (value % 10000) * 4 / 10000)] += static_cast<double>(kSeeds) / (tw::kRandMax + 1);
	double chiSquare = 0.0;
	for (int ring = 0; ring < 4; ++ring)
		chiSquare += (rings[ring] - expected[ring]) * (rings[ring] - expected[ring]) / expected[ring];
	EXPECT_LT(chiSquare, 11.34) << "p = 0.01 for three degrees of freedom";
}

TEST(PositionSetters, CheckpointFollowsItsTargetAndSkipsItOnceGone)
{
	test::ParticleWorld world;
	const Object target = world.AddBodyObject("Flag", Tuple3f(3, 4, 5));
	test::ParticleWorld::RigidBodyOf(target).velocity = Tuple3f(0, 1, 0);
	const auto checkpoint = Attached("Spawn_Position_Checkpoint", "<string>Flag</string>", 0);
	Particle particle;
	particle.base = Tuple3f(9, 9, 9);
	particle.velocity = Tuple3f(1, 0, 0);
	const Particle placed = Applied(*checkpoint, particle);
	EXPECT_EQ(placed.position, Tuple3f(3, 4, 5));
	EXPECT_EQ(placed.velocity, Tuple3f(1, 1, 0));
	EXPECT_EQ(placed.base, particle.base);
	target.object->Destroy();
	ProcessObjectChanges();
	checkpoint->Refresh();
	EXPECT_EQ(Applied(*checkpoint, particle).position, particle.position);
	const auto nowhere = Attached("Spawn_Position_Checkpoint", "<string>Nowhere</string>", 0);
	EXPECT_EQ(Applied(*nowhere, particle).position, particle.position);
}

TEST(PositionSetters, RelativeRemembersTheOffsetFromTheOwner)
{
	test::ParticleWorld world;
	const unsigned owner = world.AddBodyObject("Lamp", Tuple3f(1, 2, 3)).id;
	Particle particle;
	particle.position = Tuple3f(4, 4, 4);
	const Particle after = Applied(*Attached("Spawn_Position_Relative", "", owner), particle);
	EXPECT_EQ(after.base, Tuple3f(3, 2, 1));
	EXPECT_EQ(after.position, particle.position);
}

TEST(CameraPositionSetters, SpawnAheadOfTheActiveCameraOrOnARingAcrossItsView)
{
	const auto world = test::PhysicsComponentWorld::WithGraphics();
	if (world == nullptr)
		GTEST_SKIP() << "needs an X display";
	world->engine.engine->AddSystem(new ParticleManager());
	test::PhysicsComponentWorld::AddCamera(Tuple3f(0, 0, 5));
	ExpectPositionNear(Applied(*Attached("Spawn_Position_Camera", "<float>0</float>", 0)).position, Tuple3f(0, 0, 5), "distance 0");
	ExpectPositionNear(Applied(*Attached("Spawn_Position_Camera", "<float>2</float>", 0)).position, Tuple3f(0, 0, 3), "distance 2");
	const auto ring = Attached("Spawn_Position_Camera_Circle", "<float>4</float><float>1.5</float>", 0);
	for (int i = 0; i < 20; ++i)
	{
		const Tuple3f position = Applied(*ring).position;
		EXPECT_NEAR(position.z, 1.0f, 1e-5);
		EXPECT_NEAR(std::hypot(position.x, position.y), 1.5, 1e-5);
	}
}
