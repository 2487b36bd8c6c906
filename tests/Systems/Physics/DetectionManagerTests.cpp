#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsScene;

	TEST(DetectionManager, CollidersWaitUntilFiledAndLeaveWhicheverListHoldsThem)
	{
		PhysicsScene scene;
		DetectionManager& detection = scene.physics->GetDetection();
		RigidBody& floor = scene.AddFloor();
		RigidBody& box = scene.AddBox(Tuple3f(0, 3, 0));
		RigidBody& early = scene.AddBox(Tuple3f(5, 3, 0));
		detection.AddCollider(nullptr);
		EXPECT_EQ(detection.GetPendingCount(), 3u);
		detection.RemoveCollider(early.collider);
		detection.RemoveCollider(nullptr);
		EXPECT_EQ(detection.GetPendingCount(), 2u) << "a pending collider leaves the waiting list";
		scene.LoadLevel();
		EXPECT_EQ(detection.GetStaticColliders().count, 1u);
		EXPECT_EQ(detection.GetDynamicColliders().count, 1u);
		EXPECT_TRUE(scene.physics->RayCastStatic(Tuple3f(0, 1, 0), Tuple3f(0, -1, 0)));

		detection.RemoveCollider(floor.collider);
		detection.RemoveCollider(box.collider);
		detection.RemoveCollider(box.collider);
		EXPECT_EQ(detection.GetStaticColliders().count, 0u);
		EXPECT_EQ(detection.GetDynamicColliders().count, 0u);
		EXPECT_EQ(detection.GetSweepPrune().GetObjectCount(), 0u);
		EXPECT_FALSE(scene.physics->RayCastStatic(Tuple3f(0, 1, 0), Tuple3f(0, -1, 0))) << "its leaf left the tree";
	}

	TEST(DetectionManager, PairsOfParentAndChildOrOfTwoSleepersAreNotCollided)
	{
		struct Case
		{
			bool parent;
			bool firstAsleep;
			bool secondAsleep;
			bool collided;
		};
		const Case cases[] = {
			{false, false, false, true},
			{true, false, false, false},
			{false, true, true, false},
			{false, true, false, true},
		};
		for (const Case& c : cases)
		{
			PhysicsScene scene("<Physics><Gravity_Magnitude>0</Gravity_Magnitude></Physics>");
			RigidBody& a = scene.AddBox(Tuple3f(0, 0, 0));
			RigidBody& b = scene.AddBox(Tuple3f(0.9f, 0, 0));
			if (c.parent)
				b.collisionParent = &a;
			if (c.firstAsleep)
				a.sleepCounter = -1;
			if (c.secondAsleep)
				b.sleepCounter = -1;
			scene.LoadLevel();
			scene.physics->GetDetection().Update();
			EXPECT_EQ(scene.physics->GetTransgression().FindManifold(a, b) != nullptr, c.collided)
				<< c.parent << c.firstAsleep << c.secondAsleep;
		}
	}

	TEST(DetectionManager, StaticContactsNormalPointFromTheStaticBodyAndLateCollidersJoinTheSameStep)
	{
		PhysicsScene scene;
		RigidBody& floor = scene.AddFloor();
		scene.LoadLevel();
		scene.Step();
		// Added while the contact stage runs, as a "Collision" handler would.
		RigidBody& box = scene.AddBox(Tuple3f(0.0f, 0.45f, 0.0f));
		scene.physics->GetTransgression().Update();
		const CollisionManifold* manifold = scene.physics->GetTransgression().FindManifold(box, floor);
		ASSERT_NE(manifold, nullptr) << "collided in the same step";
		EXPECT_EQ(manifold->body0, &box);
		EXPECT_EQ(manifold->body1, &floor);
		EXPECT_EQ(manifold->contacts.count, 4u);
		EXPECT_NEAR(manifold->contacts.first->normal.y, 1.0f, 1e-5f);
		EXPECT_NEAR(manifold->contacts.first->depth, 0.05f, 1e-4f);
		EXPECT_EQ(PhysicsScene::Log(box).collisions, 0) << "reported in the next step";
		scene.Step();
		EXPECT_EQ(PhysicsScene::Log(box).collisions, 1);
		EXPECT_EQ(scene.physics->GetDetection().GetDynamicColliders().count, 1u);
	}

	TEST(DetectionManager, AFullManifoldPoolRefusesFurtherPairs)
	{
		PhysicsScene scene("<Physics><Max_Manifolds>2</Max_Manifolds></Physics>");
		scene.AddFloor();
		for (float x : {-3.0f, 0.0f, 3.0f})
			scene.AddBox(Tuple3f(x, 0.45f, 0.0f));
		scene.LoadLevel();
		scene.Step(3);
		EXPECT_EQ(scene.physics->GetTransgression().GetAwakeManifolds().size(), 2u);
	}
}
