#include "Systems/Particle/SpawnSetters.h"

#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>

using test::Applied;
using test::MakeSetter;

namespace
{
	Particle Moving(const Tuple3f& velocity)
	{
		Particle particle;
		particle.velocity = velocity;
		return particle;
	}
}

TEST(SpawnSetters, EqualBoundsAndZeroFactorsGiveExactValues)
{
	test::ParticleWorld world;
	const Particle moving = Moving(Tuple3f(1, -2, 3));
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Velocity_Default", "<float>0</float>"), moving).velocity, Tuple3f());
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Velocity_Default", "<float>4</float>")).velocity, Tuple3f()) << "no direction yet";
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Velocity_Random", "<float>2.5</float><float>2.5</float>"), moving).velocity, Tuple3f(2.5f, -5, 7.5f));
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Velocity_Variation", "<Tuple3f>1 2 3</Tuple3f><Tuple3f>1 2 3</Tuple3f>"), moving).velocity,
		Tuple3f(2, 0, 6));
	const Particle colored = Applied(*MakeSetter("Spawn_Color_Field", "<Tuple4f>0.2 0.4 0.6 0.8</Tuple4f><Tuple4f>0.2 0.4 0.6 0.8</Tuple4f>"));
	EXPECT_EQ(colored.color, Tuple4f(0.2f, 0.4f, 0.6f, 0.8f));
	EXPECT_EQ(colored.startColor, colored.color);
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Scale_Field", "<float>3</float><float>3</float>")).scale, 3.0f);
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Rotation_Default", "<Tuple3f>1 2 3</Tuple3f>")).rotation, Tuple3f(1, 2, 3));
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Lifetime_Default", "<float>1.5</float>")).life, 1.5f);
	EXPECT_EQ(Applied(*MakeSetter("Spawn_TextureIndex_Default", "<unsigned>7</unsigned>")).textureIndex, 7u);
	const Particle painted = Applied(*MakeSetter("Spawn_Color_Default", "<Tuple4f>1 0.5 0 1</Tuple4f>"));
	EXPECT_EQ(painted.startColor, Tuple4f(1, 0.5f, 0, 1));
	EXPECT_EQ(painted.color, painted.startColor);
}

TEST(SpawnSetters, RandomDrawsFollowTheirStatedOrderPerChannelAndAxis)
{
	test::ParticleWorld world;
	tw::SeedRand(3);
	float r[4];
	for (float& each : r)
		each = PS::Rand01();
	tw::SeedRand(3);
	const Particle varied = Applied(*MakeSetter("Spawn_Velocity_Variation", "<Tuple3f>0 0 0</Tuple3f><Tuple3f>1 10 100</Tuple3f>"));
	EXPECT_FLOAT_EQ(varied.velocity.z, 100 * r[0]);
	EXPECT_FLOAT_EQ(varied.velocity.y, 10 * r[1]);
	EXPECT_FLOAT_EQ(varied.velocity.x, r[2]);
	tw::SeedRand(3);
	const Particle colored = Applied(*MakeSetter("Spawn_Color_Field", "<Tuple4f>0 0 0 0</Tuple4f><Tuple4f>1 1 1 1</Tuple4f>"));
	EXPECT_EQ(colored.color, Tuple4f(r[0], r[1], r[2], r[3]));
}

TEST(SpawnSetters, RandomAngleStaysInItsHalfOpenRanges)
{
	test::ParticleWorld world;
	tw::SeedRand(11);
	const std::unique_ptr<ParticleSetter> setter = MakeSetter("Spawn_Random_Angle");
	float highest = -2.0f;
	float lowest = 2.0f;
	for (int i = 0; i < 200000; ++i)
	{
		Particle particle;
		particle.base.y = 5.0f;
		setter->Apply(particle);
		highest = std::max(highest, particle.base.z);
		lowest = std::min(lowest, particle.base.z);
		ASSERT_LT(particle.base.x, 6.2831854820251465f);
		ASSERT_EQ(particle.base.y, 5.0f);
	}
	EXPECT_FLOAT_EQ(highest, 0.9998f) << "never 1";
	EXPECT_EQ(lowest, -1.0f);
}

TEST(SpawnSetters, RelativeVelocityAddsTheOwnersVelocityAndNothingWithoutABody)
{
	test::ParticleWorld world;
	const Object owner = world.AddBodyObject("Cart", Tuple3f());
	test::ParticleWorld::RigidBodyOf(owner).velocity = Tuple3f(2, 0, -4);
	const std::unique_ptr<ParticleSetter> setter = MakeSetter("Spawn_Velocity_Relative", "<float>0.5</float>");
	setter->Attach(owner.id);
	setter->Refresh();
	EXPECT_EQ(Applied(*setter, Moving(Tuple3f(1, 1, 1))).velocity, Tuple3f(2, 1, -1));
	setter->Attach(CreateObject("Bodiless").id);
	setter->Refresh();
	EXPECT_EQ(Applied(*setter, Moving(Tuple3f(1, 1, 1))).velocity, Tuple3f(1, 1, 1));
}
