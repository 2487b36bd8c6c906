#include "Systems/Physics/Connection.h"
#include "Systems/Physics/PhysicsScene.h"
#include "Systems/Physics/PhysicsWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsScene;

	bool SameIsland(PhysicsScene& scene, const RigidBody& a, const RigidBody& b)
	{
		const IslandSet& islands = scene.physics->GetTransgression().islands;
		return islands.Find(&a) == islands.Find(&b);
	}

	TEST(Islands, TouchingAndConnectedBodiesShareAnIslandButAStaticFloorJoinsNone)
	{
		PhysicsScene scene;
		scene.AddFloor();
		RigidBody& a = scene.AddBox(Tuple3f(-3.0f, 0.5f, 0.0f));
		RigidBody& b = scene.AddBox(Tuple3f(3.0f, 0.5f, 0.0f));
		RigidBody& c = scene.AddBox(Tuple3f(3.0f, 1.5f, 0.0f));
		scene.LoadLevel();
		scene.Step(3);
		EXPECT_FALSE(SameIsland(scene, a, b)) << "only the floor lies between them";
		EXPECT_TRUE(SameIsland(scene, b, c)) << "stacked";

		std::unique_ptr<Connection> rope = test::LoadConnection("Rope", 8.0f, Tuple3f(), Tuple3f());
		test::Join(scene.physics->GetResolution(), *rope, a, b);
		scene.physics->GetTransgression().AddConnection(*rope);
		scene.Step();
		EXPECT_TRUE(SameIsland(scene, a, c)) << "the rope joins them without touching";
		scene.physics->GetTransgression().RemoveConnection(*rope);
		rope->DestroyConstraints(scene.physics->GetResolution());
		scene.Step();
		EXPECT_FALSE(SameIsland(scene, a, b));
	}

	TEST(Islands, AnIslandSleepsOnlyWhenAllItsBodiesDoAndWakesAsAWhole)
	{
		IslandInfo kept{true};
		IslandInfo::Join(kept, IslandInfo{false});
		EXPECT_FALSE(kept.asleep);
		kept.asleep = true;
		IslandInfo::Join(kept, IslandInfo{true});
		EXPECT_TRUE(kept.asleep);

		PhysicsScene scene;
		const std::vector<RigidBody*> stack = scene.AddStackOnFloor(3);
		scene.Step(300);
		for (const RigidBody* box : stack)
			EXPECT_TRUE(box->IsAsleep() && box->staticMarker);
		stack[2]->sleepCounter = 5;
		scene.Step();
		EXPECT_FALSE(stack[0]->staticMarker) << "one awake body keeps the island awake";

		for (RigidBody* box : stack)
			box->sleepCounter = -1;
		scene.physics->GetTransgression().WakeIsland(*stack[0]);
		for (const RigidBody* box : stack)
			EXPECT_FALSE(box->IsAsleep());
	}

	TEST(Islands, AFullInactiveListRefusesTheParkingAndLeavesNoStrayRow)
	{
		PhysicsScene scene("<Physics><Max_Constraints>60</Max_Constraints></Physics>");
		const std::vector<RigidBody*> stack = scene.AddStackOnFloor(2);
		ResolutionManager& resolution = scene.physics->GetResolution();
		while (resolution.inactiveConstraints.Count() < resolution.inactiveConstraints.Capacity())
			resolution.CreateConstraint();
		ASSERT_GT(scene.StepUntilAsleep(stack, 400), 0);
		scene.Step(5);
		// Every active row belongs to a reference of an awake manifold.
		unsigned referencedRows = 0;
		for (const auto& entry : scene.physics->GetTransgression().GetAwakeManifolds())
			for (const ContactRowRef* ref = entry.second->activeRefs.first; ref != nullptr; ref = ref->next)
				referencedRows += 3;
		EXPECT_EQ(resolution.activeConstraints.Count(), referencedRows);
		EXPECT_GT(referencedRows, 0u) << "the parking was refused";
	}

	TEST(Islands, APartNeverTouchesItsParentWhicheverWayTheLinkPoints)
	{
		for (const bool childFirst : {true, false})
		{
			PhysicsScene scene;
			RigidBody& a = scene.AddBox(Tuple3f(0.0f, 5.0f, 0.0f), Tuple3f(1, 1, 1), kBodyNoGravity);
			RigidBody& b = scene.AddBox(Tuple3f(0.5f, 5.0f, 0.0f), Tuple3f(1, 1, 1), kBodyNoGravity);
			(childFirst ? a : b).collisionParent = childFirst ? &b : &a;
			scene.LoadLevel();
			scene.Step(3);
			EXPECT_EQ(scene.physics->GetTransgression().FindManifold(a, b), nullptr) << childFirst;
			EXPECT_FALSE(SameIsland(scene, a, b)) << childFirst;
		}
	}
}
