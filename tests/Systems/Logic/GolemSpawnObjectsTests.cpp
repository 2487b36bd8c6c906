#include "Systems/Logic/GolemSpawnObjects.h"

#include "Components/Logic/GolemWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

namespace
{
	using test::GolemWorld;

	TEST(GolemSpawnObjects, DropsOneObjectUnderEachHandLeftFirstTurnedLikeTheGolem)
	{
		struct Case
		{
			const char* what;
			Tuple3f golemAt;
			bool ledge;
			float leftY, rightY;
		};
		// The floor's top is at 0; the ledge under the right hand at 2; far out there is no floor.
		const Case cases[] = {
			{"on the floor", Tuple3f(0, 5, 0), false, 0.0f, 0.0f},
			{"the first surface below", Tuple3f(0, 5, 0), true, 0.0f, 2.0f},
			{"over a void: at the hand", Tuple3f(200, 5, 0), false, 5.9f, 5.9f},
		};
		for (const Case& c : cases)
		{
			GolemWorld world;
			world.WritePebble(false);
			if (c.ledge)
				GolemWorld::AddStaticBox("Ledge", Tuple3f(1.2f, 1.5f, 0), Tuple3f(1, 1, 1));
			const Object golem = world.AddGolem(c.golemAt);
			golem.object->HandleMessage(Message("SetRot").Push(Tuple3f(0, 0.3f, 0)));
			// The static colliders join the ray's list in a physics step.
			world.Frame();
			auto node = GolemWorld::MakeNode<GolemSpawnObjects>("GolemSpawnObjects", golem, "<string>Pebble.xml</string>");
			GolemWorld::StartNode(*node);
			node->Update();
			EXPECT_EQ(node->status, Success) << c.what;
			const std::vector<unsigned> pebbles = ObjectIdsByName("Pebble");
			ASSERT_EQ(pebbles.size(), 2u) << c.what;
			const Transform& left = *ObjectFromId(pebbles[0]).object->GetComponent<Transform>();
			const Transform& right = *ObjectFromId(pebbles[1]).object->GetComponent<Transform>();
			EXPECT_LT(left.GetWorldPosition().x, right.GetWorldPosition().x) << c.what;
			EXPECT_NEAR(left.GetWorldPosition().y, c.leftY, 1e-3) << c.what;
			EXPECT_NEAR(right.GetWorldPosition().y, c.rightY, 1e-3) << c.what;
			EXPECT_NEAR(std::fabs(left.GetWorldPosition().x - c.golemAt.x), 1.2 * std::cos(0.3), 1e-3) << c.what;
			ExpectNear(right.GetWorldRotationVector(), Tuple3f(0, 0.3f, 0), 1e-4);
		}
	}
}
