#include "Systems/Particle/BoneSetters.h"

#include "Composition.h"
#include "Systems/Particle/ParticleWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using test::Applied;
using test::Attached;

namespace
{
	// An object at (10, 0, 0) whose bone "Arm" sits at the given model position, turned by the
	// rotation vector in degrees.
	unsigned ArmOwner(test::ParticleWorld& world, const char* armPosition = "0 1 0", const char* armRotation = "0 0 0")
	{
		BoneTransform::Register();
		const Object owner = world.AddBodyObject("Golem", Tuple3f(10, 0, 0));
		test::PhysicsComponentWorld::AddLoaded(owner, BoneTransform::TypeId(),
			std::string("<Bone><string>Arm</string><Tuple3f>") + armRotation + "</Tuple3f><Tuple3f>" + armPosition + "</Tuple3f></Bone>");
		return owner.id;
	}

	// boneName, bindUp, offset, heightScale, radiusScale, hVelocity, aVelocity in degrees.
	std::string Ellipsoid(const char* bone, const char* bindUp, const char* heightScale, const char* degrees)
	{
		return std::string("<string>") + bone + "</string><Tuple3f>" + bindUp + "</Tuple3f><Tuple3f>0 0 0</Tuple3f><float>" + heightScale +
			"</float><float>1</float><float>1</float><float>" + degrees + "</float>";
	}
}

TEST(BoneSetters, EllipsoidKillsAParticleInTheFrameItsHeightReachesTheLastStep)
{
	test::ParticleWorld world;
	world.physics->GetSettings().timeStep = 0.016f;
	const auto updater = Attached("EllipsoidUpdater", Ellipsoid("Arm", "0 1 0", "2", "0"), ArmOwner(world));
	Particle particle;
	particle.life = 10.0f;
	for (int frame = 0; frame < 200 && particle.life > 0.0f; ++frame)
		updater->Apply(particle);
	EXPECT_NEAR(particle.base.y, 1.984f, 1e-4) << "not a frame earlier or later";
}

TEST(BoneSetters, CylinderSpawnerRadiiLieBetweenItsRadiusAndAHalf)
{
	test::ParticleWorld world;
	const auto half = Attached("CylinderSpawner", "<float>0.5</float><float>2</float>");
	const auto narrow = Attached("CylinderSpawner", "<float>0.2</float><float>2</float>");
	for (int i = 0; i < 100; ++i)
	{
		EXPECT_EQ(Applied(*half).base.z, 0.5f);
		EXPECT_EQ(Applied(*half).base.y, 2.0f);
		const float radius = Applied(*narrow).base.z;
		EXPECT_TRUE(radius > 0.2f && radius <= 0.5f) << radius;
	}
}

TEST(BoneSetters, EllipsoidSpawnerRadiiSpreadFromAHalfToOneAndAFifth)
{
	test::ParticleWorld world;
	const auto spawner = Attached("EllipsoidSpawner", "");
	float lowest = 2.0f;
	float highest = 0.0f;
	for (int i = 0; i < 400; ++i)
	{
		const Particle particle = Applied(*spawner);
		EXPECT_EQ(particle.base.y, 0.0f);
		EXPECT_TRUE(particle.base.z >= 0.5f && particle.base.z < 1.2f) << particle.base.z;
		lowest = std::min(lowest, particle.base.z);
		highest = std::max(highest, particle.base.z);
	}
	EXPECT_LT(lowest, 0.55f);
	EXPECT_GT(highest, 1.15f);
}

TEST(BoneSetters, AngularSpeedIsSavedInDegreesAndTurnsInRadians)
{
	test::ParticleWorld world;
	const unsigned owner = ArmOwner(world);
	const std::string saved = test::SavedSetter(*test::MakeSetter("EllipsoidUpdater", Ellipsoid("Arm", "0 3 0", "2", "90")));
	EXPECT_NE(saved.find("name=\"RAD2DEG(aVelocity)\">90<"), std::string::npos) << saved;
	EXPECT_NE(saved.find(">0 3 0<"), std::string::npos) << "bindUp kept as written: " << saved;
	const auto reloaded = test::ReadSetter(saved);
	reloaded->Attach(owner);
	reloaded->Refresh();
	EXPECT_NEAR(Applied(*reloaded).base.x, 1.5707963 * world.Settings().timeStep, 1e-6);
}

TEST(BoneSetters, UpdatersPlaceParticlesOnTheShapeAboutTheBone)
{
	test::ParticleWorld world;
	const unsigned owner = ArmOwner(world);
	Particle particle;
	particle.base = Tuple3f(0.7f, 0.5f, 2.0f);
	const Tuple3f onCylinder =
		Applied(*Attached("CylinderUpdater", "<string>Arm</string><Tuple3f>0 1 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>", owner), particle).position;
	EXPECT_NEAR(std::hypot(onCylinder.x - 10, onCylinder.z), 2.0, 1e-5);
	EXPECT_NEAR(onCylinder.y, 1.5, 1e-5);
	for (int i = 0; i < 50; ++i)
		EXPECT_LE((Applied(*Attached("Spawn_Position_Bone", "<string>Arm</string>", owner)).position - Tuple3f(10, 1, 0)).Length(), 1.5);
	EXPECT_EQ(Applied(*Attached("Spawn_Position_Bone", "<string>Arm</string>", ArmOwner(world, "0 0 0"))).base.x, 1e12f)
		<< "a bone at the model origin hides its particles";
}

TEST(BoneSetters, DirectionTurnsWithTheBone)
{
	test::ParticleWorld world;
	const unsigned owner = ArmOwner(world, "0 1 0", "0 0 90");
	const Tuple3f velocity = Applied(*Attached("Spawn_Direction_Bone", "<string>Arm</string><Tuple3f>0 5 0</Tuple3f>", owner)).velocity;
	EXPECT_LT((velocity - Tuple3f(-1, 0, 0)).Length(), 1e-5) << velocity;
}

TEST(BoneSetters, WithoutBoneOrShapeTheParticleIsLeftUnchanged)
{
	test::ParticleWorld world;
	const unsigned owner = ArmOwner(world);
	const unsigned boneless = world.AddBodyObject("Rock", Tuple3f()).id;
	Particle particle;
	particle.position = particle.velocity = particle.base = Tuple3f(1, 2, 3);
	particle.life = 1.0f;
	const std::pair<unsigned, std::string> cases[] = {
		{owner, test::SetterXml("Spawn_Position_Bone", "<string>Leg</string>")},
		{boneless, test::SetterXml("Spawn_Position_Bone", "<string>Arm</string>")},
		{owner, test::SetterXml("Spawn_Direction_Bone", "<string>Leg</string><Tuple3f>0 1 0</Tuple3f>")},
		{owner, test::SetterXml("Spawn_Direction_Bone", "<string>Arm</string><Tuple3f>0 0 0</Tuple3f>")},
		{owner, test::SetterXml("CylinderUpdater", "<string>Leg</string><Tuple3f>0 1 0</Tuple3f>")},
		{owner, test::SetterXml("CylinderUpdater", "<string>Arm</string><Tuple3f>0 0 0</Tuple3f>")},
		{owner, test::SetterXml("EllipsoidUpdater", Ellipsoid("Leg", "0 1 0", "2", "30"))},
		{owner, test::SetterXml("EllipsoidUpdater", Ellipsoid("Arm", "0 1 0", "0", "30"))},
	};
	for (const auto& [id, document] : cases)
	{
		const auto setter = test::ReadSetter(document);
		setter->Attach(id);
		setter->Refresh();
		const Particle after = Applied(*setter, particle);
		EXPECT_TRUE(after.position == particle.position && after.velocity == particle.velocity && after.base == particle.base &&
			after.life == particle.life)
			<< document;
	}
}
