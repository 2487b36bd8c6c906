#include "Components/Physics/PhysicsId.h"
#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
	using test::PhysicsScene;
	using test::SceneBody;

	constexpr const char* kPhysicsData = TW_TEST_DATA_DIR "Physics/";

	std::vector<RigidBody*> BodiesNamed(const std::string& name)
	{
		std::vector<RigidBody*> bodies;
		for (unsigned index = 0;; ++index)
		{
			const Object object = ObjectFromName(name, index);
			SceneBody* body = object.object->GetComponent<SceneBody>();
			if (object.id == 0 || body == nullptr || body->body == nullptr)
				return bodies;
			bodies.push_back(body->body);
		}
	}

	// Floor, two crates and a dumbbell of three pieces on top, read from a level file; the crates
	// and the dumbbell carry physics ids 1, 2 and 4.
	TEST(PhysicsId, LevelSceneSettlesHeadlessAndANewIdAfterItTakesTheFreeThree)
	{
		PhysicsScene scene("", kPhysicsData);
		ASSERT_TRUE(scene.engine.engine->LoadLevel("Tower"));
		const std::vector<RigidBody*> crates = BodiesNamed("Crate");
		const std::vector<RigidBody*> dumbbell = BodiesNamed("Dumbbell");
		ASSERT_EQ(crates.size(), 2u);
		ASSERT_EQ(dumbbell.size(), 1u);
		EXPECT_EQ(dumbbell[0]->collider->GetGeometryCount(), 3u);
		EXPECT_NEAR(crates[1]->mass, 400.0f, 0.01f) << "the material's density";

		for (int step = 0; step < 625 && !(crates[0]->IsAsleep() && crates[1]->IsAsleep() && dumbbell[0]->IsAsleep()); ++step)
			scene.Step();
		EXPECT_TRUE(crates[0]->IsAsleep() && crates[1]->IsAsleep() && dumbbell[0]->IsAsleep());
		EXPECT_NEAR(crates[1]->GetPosition().y, 1.5f, 0.02f);
		EXPECT_NEAR(dumbbell[0]->GetPosition().y, 2.4f, 0.03f) << "resting on its two spheres, each contact within its slop";

		const Object tagged = CreateObject("Tagged");
		Serializer data;
		data.Write("ID", 0u);
		data.SwitchToReading();
		ASSERT_TRUE(tagged.object->AddComponent(PhysicsId::TypeId(), data));
		EXPECT_EQ(tagged.object->GetComponent<PhysicsId>()->id, 3u);
		EXPECT_EQ(scene.physics->ObjectIdFromPhysicsId(4), dumbbell[0]->ownerId);
	}
}
