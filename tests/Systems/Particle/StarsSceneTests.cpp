// A knocked-out figure: a ragdolled character lying on the floor bursts "Stars", which circle its
// head part at the set radius and height while the physics keeps running.
#include "Components/Physics/Body.h"
#include "Components/Physics/Ragdoll.h"
#include "Components/Physics/RagdollFileWriter.h"
#include "Systems/Particle/ParticleWorld.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace
{
	using test::GroupXml;
	using test::SetterXml;

	TEST(UpdateSetters, StarsOfALyingRagdollCircleItsHeadAtTheirRadiusAndHeight)
	{
		constexpr float kRadius = 0.4f;
		constexpr float kHeight = 0.3f;
		test::ParticleWorld world;
		test::TempFolder folder;
		const std::string path = folder.Path() + "/figure.rag";
		const auto bytes = test::RagdollFileBytes(test::FiveBoneSkeleton());
		std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

		test::PhysicsComponentWorld::AddStaticBox("Floor", Tuple3f(0, -0.5f, 0), Tuple3f(20, 1, 20));
		const Object figure = CreateObject("Figure");
		figure.object->AddComponent(Transform::TypeId());
		figure.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(0, 0.2f, 0));
		figure.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
		std::string bones;
		for (const test::RagdollBoneEntry& bone : test::FiveBoneSkeleton())
			bones += "<Bone><string>" + bone.name + "</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f></Bone>";
		const auto part = [](const std::string& bone, const std::string& shape, const std::string& offset, const std::string& width, bool joined) {
			return "<Part><string>" + bone + "</string><Shape><string>" + shape + "</string><Tuple3f>" + offset + "</Tuple3f><float>" + width +
				"</float></Shape>" + (joined ? "<Joint><string>Socket</string><float>30</float></Joint>" : "") + "</Part>";
		};
		test::PhysicsComponentWorld::AddLoaded(figure, BoneTransform::TypeId(), bones);
		test::PhysicsComponentWorld::AddLoaded(figure, Body::TypeId(), test::PhysicsComponentWorld::BodyValues("DEFAULT", ""));
		test::PhysicsComponentWorld::AddLoaded(figure, Ragdoll::TypeId(), "<string>" + path + "</string><bool>true</bool>" +
			part("pelvis", "cube", "0 0.2 0", "0.3", false) + part("spine", "cube", "0 0.5 0", "0.25", true) +
			part("head", "sphere", "0 0.25 0", "0.25", true) + part("leftLeg", "cube", "0 -0.8 0", "0.15", true) +
			part("rightLeg", "cube", "0 -0.8 0", "0.15", true));
		test::PhysicsComponentWorld::AddLoaded(figure, ParticleSystem::TypeId(),
			GroupXml("Stars", false, false, "0.05", SetterXml("Spawn_Pig_Stars", "<float>72</float>") + test::LongLife(),
				SetterXml("Update_Pig_Stars", "<float>" + std::to_string(kRadius) + "</float><float>" + std::to_string(kHeight) + "</float><float>3</float>")));
		figure.object->Start();
		Engine::SendMessage(Message("LevelLoaded"));
		for (int frame = 0; frame < 120; ++frame)
			world.physics->Update();

		const RigidBody& head = *figure.object->GetComponent<Ragdoll>()->GetPartBody("head")->body;
		const ParticleGroup& stars = *figure.object->GetComponent<ParticleSystem>()->FindGroup("Stars");
		figure.object->HandleMessage(Message("ParticleBurst").PushString("Stars").PushInt(5));
		for (int frame = 0; frame < 100; ++frame)
		{
			world.physics->Update();
			world.Frames(1);
			ASSERT_EQ(stars.particles.size(), 5u) << "frame " << frame;
			for (const Particle& star : stars.particles)
			{
				const Tuple3f offset = star.position - head.GetPosition();
				EXPECT_NEAR(std::hypot(offset.x, offset.z), kRadius, 0.01) << "frame " << frame;
				EXPECT_NEAR(offset.y, kHeight, 0.01) << "frame " << frame;
			}
		}
	}
}
