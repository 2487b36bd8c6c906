#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
	using test::PhysicsScene;

	TEST(BoxStack, FiveBoxesSettleAsleepInPlaceAndANudgeWakesTheIslandWithoutNewReports)
	{
		PhysicsScene scene;
		const std::vector<RigidBody*> boxes = scene.AddStackOnFloor(5);

		const int settledAt = scene.StepUntilAsleep(boxes, 625);
		ASSERT_GT(settledAt, 0) << "not all asleep within 625 steps";
		for (int i = 0; i < 5; ++i)
		{
			// Sideways drift; downwards each contact may keep its slop of penetration.
			const Tuple3f moved = PhysicsScene::Position(*boxes[i]) - Tuple3f(0.0f, 0.5f + static_cast<float>(i), 0.0f);
			EXPECT_LT(std::hypot(moved.x, moved.z), 0.02f) << "box " << i;
			EXPECT_LT(std::fabs(moved.y), 0.005f * static_cast<float>(i + 1) + 0.001f) << "box " << i;
		}
		EXPECT_EQ(scene.engine.ArgumentsOf("AddObstacle").size(), 6u) << "the floor and each box once";
		const int reportsBefore = PhysicsScene::Log(*boxes[1]).collisions;

		boxes[0]->velocity = Tuple3f(0.5f, 0.0f, 0.0f);
		scene.physics->GetTransgression().WakeIsland(*boxes[0]);
		scene.Step();
		for (const RigidBody* box : boxes)
			EXPECT_FALSE(box->staticMarker);
		EXPECT_TRUE(scene.physics->GetTransgression().GetSleepingManifolds().empty());
		scene.Step(5);
		EXPECT_TRUE(std::none_of(boxes.begin(), boxes.end(), [](const RigidBody* b) { return b->IsAsleep(); }));
		EXPECT_EQ(PhysicsScene::Log(*boxes[1]).collisions, reportsBefore) << "woken contacts are not new";
	}

	TEST(BoxStack, ATowerPlacedFaceToFaceStandsFromItsFirstStep)
	{
		// Each box held only once the one below had stopped: the top of ten fell for ten steps.
		PhysicsScene scene;
		const std::vector<RigidBody*> boxes = scene.AddStackOnFloor(10);
		for (int step = 1; step <= 12; ++step)
		{
			scene.Step();
			for (std::size_t i = 0; i < boxes.size(); ++i)
				ASSERT_LT(boxes[i]->velocity.Length(), 0.2f) << "box " << i << " at step " << step;
		}
		EXPECT_GT(PhysicsScene::Position(*boxes.back()).y, 9.5f - 0.01f);
	}

	TEST(BoxStack, APyramidSleepsAsAWholeAndADroppedBoxWakesItUntilAllRestAgain)
	{
		PhysicsScene scene("<Physics><Max_Bodies>40</Max_Bodies></Physics>");
		scene.AddFloor();
		std::vector<RigidBody*> boxes;
		constexpr int kBase = 5;
		for (int layer = 0; layer < kBase; ++layer)
			for (int i = 0; i < kBase - layer; ++i)
				boxes.push_back(&scene.AddBox(Tuple3f(1.05f * (static_cast<float>(i) + 0.5f * static_cast<float>(layer)), 0.5f + static_cast<float>(layer), 0.0f)));
		scene.LoadLevel();
		ASSERT_GT(scene.StepUntilAsleep(boxes, 500), 0) << "the pyramid never sleeps";

		RigidBody& dropped = scene.AddBox(Tuple3f(2.1f, 5.6f, 0.0f));
		scene.Step(20);
		EXPECT_FALSE(boxes.front()->IsAsleep()) << "the landing box woke the whole island";
		boxes.push_back(&dropped);
		EXPECT_GT(scene.StepUntilAsleep(boxes, 500), 0) << "the island parks again";
		EXPECT_TRUE(std::all_of(boxes.begin(), boxes.end(), [](const RigidBody* b) { return b->staticMarker || b->IsAsleep(); }));
	}

	TEST(BoxStack, BoxesOnAGentleSlopeHoldWhetherAloneOrStacked)
	{
		// Friction must follow the weight resting on a box, not only the box's own.
		constexpr float kDegrees = 12.0f;
		const float angle = kDegrees * static_cast<float>(kDegreesToRadians);
		const Tuple3f up(-std::sin(angle), std::cos(angle), 0.0f);
		for (const int count : {1, 3})
		{
			PhysicsScene scene;
			test::BodyShape slope;
			slope.scale = Tuple3f(20.0f, 1.0f, 6.0f);
			slope.rotation = Tuple3f(0.0f, 0.0f, kDegrees);
			slope.isStatic = true;
			scene.Add(slope, Tuple3f());
			std::vector<RigidBody*> boxes;
			std::vector<Tuple3f> starts;
			test::BodyShape box;
			box.rotation = slope.rotation;
			for (int i = 0; i < count; ++i)
			{
				starts.push_back(up * (1.0f + static_cast<float>(i) * 1.001f));
				boxes.push_back(&scene.Add(box, starts.back()));
			}
			scene.LoadLevel();
			EXPECT_GT(scene.StepUntilAsleep(boxes, 600), 0) << count << " boxes not asleep within 600 steps";
			for (int i = 0; i < count; ++i)
				EXPECT_LT((PhysicsScene::Position(*boxes[i]) - starts[i]).Length(), 0.05) << count << " boxes, box " << i;
		}
	}
}
