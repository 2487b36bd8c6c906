#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsScene;

	TEST(TransgressionManager, ADroppedBoxIsReportedOnceEachWayAndEndsOnceWhenLifted)
	{
		PhysicsScene scene;
		RigidBody& floor = scene.AddFloor();
		RigidBody& box = scene.AddBox(Tuple3f(0.0f, 0.6f, 0.0f));
		scene.LoadLevel();
		int firstContact = 0;
		for (int step = 1; step < 60 && firstContact == 0; ++step)
		{
			scene.Step();
			if (PhysicsScene::Log(box).collisions > 0)
				firstContact = step;
		}
		ASSERT_GT(firstContact, 0);
		const auto& boxLog = PhysicsScene::Log(box);
		const auto& floorLog = PhysicsScene::Log(floor);
		EXPECT_EQ(floorLog.collisions, 1);
		EXPECT_EQ(boxLog.other, floor.ownerId);
		EXPECT_EQ(floorLog.other, box.ownerId);
		EXPECT_NEAR(boxLog.normal.y, 1.0f, 1e-5f) << "out of the floor, towards the box";
		EXPECT_NEAR(floorLog.normal.y, -1.0f, 1e-5f);
		scene.Step(40);
		EXPECT_EQ(boxLog.collisions, 1);
		EXPECT_EQ(boxLog.ends, 0);

		box.transform->SetWorldPosition(Tuple3f(0.0f, 3.0f, 0.0f));
		box.Wake();
		box.UpdateDerived();
		scene.Step();
		EXPECT_EQ(boxLog.ends, 1);
		EXPECT_EQ(floorLog.ends, 1);
		EXPECT_EQ(scene.physics->GetTransgression().FindManifold(box, floor), nullptr);
		EXPECT_EQ(scene.physics->GetResolution().activeConstraints.Count(), 0u);
	}

	TEST(TransgressionManager, ASleepingPairIsParkedAndWakesWithItsRowsWithoutANewReport)
	{
		PhysicsScene scene;
		const std::vector<RigidBody*> stack = scene.AddStackOnFloor(2);
		RigidBody& lower = *stack[0];
		RigidBody& upper = *stack[1];
		scene.Step(200);
		ASSERT_TRUE(lower.IsAsleep() && upper.IsAsleep());
		TransgressionManager& transgression = scene.physics->GetTransgression();
		EXPECT_TRUE(transgression.GetAwakeManifolds().empty());
		EXPECT_EQ(transgression.GetSleepingManifolds().size(), 2u);
		EXPECT_EQ(scene.physics->GetResolution().activeConstraints.Count(), 0u) << "rows parked";
		const unsigned parkedRows = scene.physics->GetResolution().inactiveConstraints.Count();
		EXPECT_GT(parkedRows, 0u);

		transgression.WakeIsland(upper);
		scene.Step();
		EXPECT_EQ(transgression.GetAwakeManifolds().size(), 2u);
		EXPECT_TRUE(transgression.FindManifold(lower, upper)->activeRefs.count > 0);
		EXPECT_EQ(PhysicsScene::Log(upper).collisions, 1);
		EXPECT_FALSE(transgression.FindManifold(lower, upper)->inactive);
	}

	TEST(TransgressionManager, ARemovedBodyEndsItsContactsAndWakesTheOthers)
	{
		PhysicsScene scene("<Physics><Gravity_Magnitude>0</Gravity_Magnitude></Physics>");
		RigidBody& middle = scene.AddBox(Tuple3f(0.0f, 0.0f, 0.0f));
		RigidBody& left = scene.AddBox(Tuple3f(-0.95f, 0.0f, 0.0f));
		RigidBody& right = scene.AddBox(Tuple3f(0.95f, 0.0f, 0.0f));
		scene.LoadLevel();
		scene.Step();
		ASSERT_EQ(PhysicsScene::Log(middle).collisions, 2);
		left.sleepCounter = right.sleepCounter = -1;
		const unsigned middleId = middle.ownerId;
		PhysicsScene::Log(middle).Release();
		EXPECT_EQ(ObjectFromId(middleId).object->GetComponent<test::SceneBody>()->ends, 2);
		EXPECT_EQ(PhysicsScene::Log(left).ends, 1);
		EXPECT_EQ(PhysicsScene::Log(right).ends, 1);
		EXPECT_FALSE(left.IsAsleep() || right.IsAsleep());
		EXPECT_TRUE(scene.physics->GetTransgression().GetAwakeManifolds().empty());
		EXPECT_EQ(scene.physics->GetResolution().activeConstraints.Count(), 0u);
	}

	TEST(TransgressionManager, AGhostIsReportedButNeverPushed)
	{
		PhysicsScene scene;
		RigidBody& floor = scene.AddFloor();
		RigidBody& ghost = scene.AddBox(Tuple3f(0.0f, 0.45f, 0.0f), Tuple3f(1, 1, 1), kBodyGhost);
		scene.LoadLevel();
		scene.Step();
		EXPECT_EQ(PhysicsScene::Log(floor).collisions, 1);
		EXPECT_TRUE(scene.physics->GetTransgression().FindManifold(ghost, floor)->ghost);
		EXPECT_EQ(scene.physics->GetResolution().activeConstraints.Count(), 0u);
		scene.Step(30);
		EXPECT_LT(ghost.GetPosition().y, 0.0f) << "fell through";
	}
}
