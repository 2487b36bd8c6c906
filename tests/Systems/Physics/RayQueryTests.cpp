#include "Systems/Physics/PhysicsScene.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
	using test::BodyShape;
	using test::PhysicsScene;

	// A static floor and wall, a free sphere and a CONTROLLER box, filed by the level load.
	class RayQuery : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			floor = &scene.AddFloor();
			BodyShape wall;
			wall.isStatic = true;
			wall.scale = Tuple3f(2.0f, 2.0f, 2.0f);
			this->wall = &scene.Add(wall, Tuple3f(0.0f, 1.0f, -5.0f));
			BodyShape ball;
			ball.shape = "sphere";
			sphere = &scene.Add(ball, Tuple3f(3.0f, 0.5f, 0.0f));
			controller = &scene.AddBox(Tuple3f(-3.0f, 0.5f, 0.0f), Tuple3f(1, 1, 1), kBodyController);
			dumbbell = &scene.AddBox(Tuple3f(0.0f, 0.5f, 6.0f), Tuple3f(1, 1, 1));
			auto& pieces = PhysicsScene::Log(*dumbbell).collider->primitives;
			pieces.front().offset = Tuple3f(-0.3f, 0.0f, 0.0f);
			pieces.emplace_back(Tuple3f(1, 1, 1), "cube", Tuple3f(0.3f, 0.0f, 0.0f), Tuple3f());
			pieces.back().owner = dumbbell->collider;
			dumbbell->UpdateDerived();
			// A 4 x 4 mesh square a quarter above the floor, and a moving 10 x 1 x 10 slab.
			mesh = &scene.AddMesh({{{10, 0.25f, -2}, {14, 0.25f, -2}, {14, 0.25f, 2}, {10, 0.25f, 2}}, {0, 2, 1, 0, 3, 2}});
			slab = &scene.AddBox(Tuple3f(0.0f, 0.5f, 15.0f), Tuple3f(10, 1, 10));
			scene.LoadLevel();
		}

		bool QueryPrimitive(int kind, const Tuple3f& position, const Tuple3f& scale, std::vector<RigidBody*>* found)
		{
			bool touched = false;
			Message message("PhysicsQueryPrimitive");
			message.Push(&touched).PushInt(kind).Push(position).Push(Tuple3f()).Push(scale);
			if (found != nullptr)
				message.Push(found);
			Engine::SendMessage(message);
			return touched;
		}

		PhysicsScene scene;
		RigidBody* floor = nullptr;
		RigidBody* wall = nullptr;
		RigidBody* sphere = nullptr;
		RigidBody* controller = nullptr;
		RigidBody* dumbbell = nullptr;
		RigidBody* mesh = nullptr;
		RigidBody* slab = nullptr;
	};

	TEST_F(RayQuery, HitsAreExactAndControllerBodiesArePassedThrough)
	{
		struct Case
		{
			Tuple3f origin;
			Tuple3f direction;
			RigidBody* expected;
			Tuple3f point;
		};
		const Case cases[] = {
			{{0, 10, 0}, {0, -1, 0}, floor, {0, 0, 0}},
			{{3, 10, 0}, {0, -1, 0}, sphere, {3, 1, 0}},
			{{3, 10, 0}, {0, -2, 0}, sphere, {3, 1, 0}},
			{{-3, 10, 0}, {0, -1, 0}, floor, {-3, 0, 0}},
			{{0, 1, 3}, {0, 0, -1}, wall, {0, 1, -4}},
			{{-0.5f, 10, 6}, {0, -1, 0}, dumbbell, {-0.5f, 1, 6}},
			// Every collider answers in the ray's own parameter, whatever the direction's length.
			{{12, 10, 0}, {0, -2, 0}, mesh, {12, 0.25f, 0}},
			{{12, 0.2f, 0}, {0, 0.5f, 0}, mesh, {12, 0.25f, 0}},
			{{9, 0.5f, 15}, {-0.25f, 0, 0}, slab, {5, 0.5f, 15}},
		};
		for (const Case& c : cases)
		{
			RigidBody* hit = nullptr;
			Tuple3f point;
			EXPECT_TRUE(Physics::RayCast(c.origin, c.direction, &hit, &point));
			EXPECT_EQ(hit, c.expected) << c.origin.x << " " << c.origin.y << " " << c.origin.z;
			EXPECT_NEAR((point - c.point).Length(), 0.0, 1e-5);
		}
	}

	TEST_F(RayQuery, MissesLeaveTheAnswersAndTheStaticQuerySeesOnlyStaticBodies)
	{
		RigidBody* hit = controller;
		Tuple3f point(7, 7, 7);
		EXPECT_FALSE(Physics::RayCast(Tuple3f(0, 10, 0), Tuple3f(0, 1, 0), &hit, &point));
		EXPECT_EQ(hit, controller);
		EXPECT_EQ(point, Tuple3f(7, 7, 7));
		EXPECT_TRUE(scene.physics->RayCastStatic(Tuple3f(3, 10, 0), Tuple3f(0, -1, 0), &hit, &point));
		EXPECT_EQ(hit, floor);
		EXPECT_EQ(point, Tuple3f(3, 0, 0));
		// Without the pointer for its answer the query is ignored.
		Engine::SendMessage(Message("PhysicsQueryRayCast"));
	}

	TEST_F(RayQuery, ShapeQueryListsEachMovingBodyTouchedOnce)
	{
		std::vector<RigidBody*> found;
		EXPECT_TRUE(QueryPrimitive(3, Tuple3f(3.0f, 1.1f, 0.0f), Tuple3f(0.5f, 0.5f, 0.5f), &found));
		EXPECT_EQ(found, std::vector<RigidBody*>{sphere});
		found.clear();
		EXPECT_TRUE(QueryPrimitive(0, Tuple3f(0.0f, 0.5f, 6.0f), Tuple3f(0.5f, 0.5f, 0.5f), &found));
		EXPECT_EQ(found, std::vector<RigidBody*>{dumbbell}) << "both pieces touched, listed once";
		found.clear();
		EXPECT_FALSE(QueryPrimitive(3, Tuple3f(0.0f, 0.0f, 0.0f), Tuple3f(0.5f, 0.5f, 0.5f), &found)) << "static floor";
		EXPECT_FALSE(QueryPrimitive(1, Tuple3f(20.0f, 20.0f, 20.0f), Tuple3f(1, 1, 1), nullptr));
		EXPECT_TRUE(found.empty());
		EXPECT_TRUE(QueryPrimitive(2, Tuple3f(-3.0f, 1.1f, 0.0f), Tuple3f(0.5f, 0.5f, 0.5f), nullptr)) << "controllers are found";
	}

	class ShapeQuery : public RayQuery
	{
	};

	TEST_F(ShapeQuery, FindsAWideSlabFarFromItsOriginButNotBesideIt)
	{
		std::vector<RigidBody*> found;
		EXPECT_TRUE(QueryPrimitive(3, Tuple3f(4.0f, 0.5f, 19.0f), Tuple3f(0.5f, 0.5f, 0.5f), &found)) << "inside the slab";
		EXPECT_EQ(found, std::vector<RigidBody*>{slab});
		EXPECT_FALSE(QueryPrimitive(3, Tuple3f(5.5f, 0.5f, 19.0f), Tuple3f(0.5f, 0.5f, 0.5f), nullptr)) << "beside it";
	}
}

namespace
{
	TEST(RayQueryTree, AnswersEqualTheListWalkOverARandomScene)
	{
		test::PhysicsScene scene("<Physics><Max_Bodies>200</Max_Bodies></Physics>");
		tw::SeedRand(2026);
		constexpr const char* kShapes[] = {"cube", "sphere", "cylinder", "cone"};
		for (int i = 0; i < 120; ++i)
		{
			test::BodyShape shape;
			shape.shape = kShapes[i % 4];
			shape.isStatic = i % 2 == 0;
			shape.flags = i % 7 == 0 ? kBodyController : 0u;
			shape.scale = Tuple3f(RandomIn(0.2f, 3), RandomIn(0.2f, 3), RandomIn(0.2f, 3));
			shape.rotation = Tuple3f(RandomIn(0, 90), RandomIn(0, 90), RandomIn(0, 90));
			scene.Add(shape, Tuple3f(RandomIn(-15, 15), RandomIn(-15, 15), RandomIn(-15, 15)));
		}
		scene.AddMesh({{{-20, -16, -20}, {20, -16, -20}, {20, -14, 20}, {-20, -18, 20}}, {0, 2, 1, 0, 3, 2}});
		scene.LoadLevel();
		DetectionManager& detection = scene.physics->GetDetection();
		int hits = 0;
		// A step between rounds, so the moving tree follows the falling bodies through its build,
		// many refits and the rebuild after them.
		for (int round = 0; round < 40; ++round, scene.Step(1))
			for (int ray = 0; ray < 50; ++ray)
			{
				const Tuple3f origin(RandomIn(-25, 25), RandomIn(-25, 25), RandomIn(-25, 25));
				const Tuple3f direction = (Tuple3f(RandomIn(-10, 10), RandomIn(-10, 10), RandomIn(-10, 10)) - origin) * RandomIn(0.1f, 3);
				for (const bool moving : {false, true})
				{
					RigidBody *walked = nullptr, *found = nullptr;
					const float expected = DetectionManager::RayCastColliderList(
						moving ? detection.GetDynamicColliders() : detection.GetStaticColliders(), origin, direction, &walked);
					const float t = moving ? detection.RayCastMoving(origin, direction, &found)
										   : detection.RayCastStatic(origin, direction, &found);
					ASSERT_EQ(t > 0.0f, expected > 0.0f) << "round " << round << " ray " << ray << " moving " << moving;
					if (expected > 0.0f)
					{
						++hits;
						EXPECT_EQ(found, walked) << "round " << round << " ray " << ray;
						EXPECT_NEAR(t, expected, 1e-5 * expected) << "round " << round << " ray " << ray;
					}
				}
			}
		EXPECT_GT(hits, 500);
	}
}
