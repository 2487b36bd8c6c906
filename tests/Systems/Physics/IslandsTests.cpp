#include "Systems/Physics/Connection.h"
#include "Systems/Physics/ContactRows.h"
#include "Systems/Physics/PhysicsScene.h"
#include "Systems/Physics/PhysicsWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

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

	// A paraboloid bowl, 40 x 25 squares of two triangles over 40 x 40 units, 16 high at the middle
	// of each side.
	CollisionMeshFile::Mesh Bowl()
	{
		constexpr int kColumns = 40, kRows = 25;
		constexpr float kHalf = 20.0f;
		CollisionMeshFile::Mesh bowl;
		for (int row = 0; row <= kRows; ++row)
			for (int column = 0; column <= kColumns; ++column)
			{
				const float x = -kHalf + 2.0f * kHalf * static_cast<float>(column) / kColumns;
				const float z = -kHalf + 2.0f * kHalf * static_cast<float>(row) / kRows;
				bowl.vertices.emplace_back(x, 0.04f * (x * x + z * z), z);
			}
		const auto at = [](int row, int column) { return static_cast<std::uint32_t>(row * (kColumns + 1) + column); };
		for (int row = 0; row < kRows; ++row)
			for (int column = 0; column < kColumns; ++column)
				bowl.indices.insert(bowl.indices.end(), {at(row, column), at(row + 1, column), at(row, column + 1),
					at(row, column + 1), at(row + 1, column), at(row + 1, column + 1)});
		return bowl;
	}

	// Cones roll and rock against each other and against the bowl; one of them still moving keeps
	// the whole pile awake.
	TEST(Islands, AHundredSpheresAndConesDroppedIntoAMeshBowlAllSleepWithinAThousandSteps)
	{
		PhysicsScene scene("<Physics><Max_Bodies>200</Max_Bodies><Max_Contacts>4000</Max_Contacts>"
						   "<Max_Constraints>12000</Max_Constraints><Max_Manifolds>1000</Max_Manifolds></Physics>");
		scene.AddMesh(Bowl());
		std::vector<RigidBody*> bodies;
		for (int layer = 0; layer < 4; ++layer)
			for (int row = 0; row < 5; ++row)
				for (int column = 0; column < 5; ++column)
				{
					test::BodyShape shape;
					shape.shape = bodies.size() % 2 == 0 ? "sphere" : "cone";
					bodies.push_back(&scene.Add(shape, Tuple3f(1.5f * static_cast<float>(column) - 3.0f,
						5.0f + 1.5f * static_cast<float>(layer), 1.5f * static_cast<float>(row) - 3.0f)));
				}
		scene.LoadLevel();
		int step = 0;
		while (step < 1000 && !std::all_of(bodies.begin(), bodies.end(), [](const RigidBody* body) { return body->IsAsleep(); }))
		{
			scene.Step();
			++step;
		}
		EXPECT_LT(step, 1000) << "not all asleep";
		for (const RigidBody* body : bodies)
			EXPECT_GT(body->GetPosition().y, 0.0f) << "below the bowl";
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
				referencedRows += ContactRows::kRowsPerPoint;
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
