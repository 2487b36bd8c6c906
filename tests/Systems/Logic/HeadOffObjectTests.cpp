#include "Systems/Logic/HeadOffObject.h"

#include "Components/Logic/GameplayWorld.h"
#include "Systems/Logic/NavTestLevels.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
	using test::NavWorld;

	// A runner on a long floor (and an island beyond it) and a target that moves at its velocity.
	struct ChaseLevel
	{
		ChaseLevel(const Tuple3f& targetAt, const std::string& velocity = "0 0 0")
		{
			world.AddFloorObject({{0, 0, 64, 16}, {80, 0, 96, 16}});
			world.LevelLoaded();
			runner = NavWorld::AddWalker(Tuple3f(4, 0.5f, 8));
			log = &test::Listen(runner, {"SetSpeed", "SetAnimation"});
			target = world.AddBodyObject("Target", targetAt, true, NavWorld::BodyValues("DEFAULT", test::kTestColliderType, velocity));
		}
		std::unique_ptr<BehaviorNode> Start(float leadOff, float maxChargeDist) const
		{
			std::ostringstream fields;
			fields << "<string>Target</string><float>" << leadOff << "</float><float>3</float><float>" << maxChargeDist << "</float>";
			return test::StartNode("HeadOffObject", fields.str(), runner.object);
		}
		const PathMovement& Movement() const { return *runner.object->GetComponent<PathMovement>(); }

		NavWorld world;
		Object runner;
		Object target;
		test::MessageLog* log = nullptr;
	};

	TEST(HeadOffObject, RunsOnlyWhenTheTargetIsStrictlyNearerThanTheLimitAndAimsWhereItsVelocityTakesIt)
	{
		const struct
		{
			float maxChargeDist;
			BehaviorStatus status;
		} cases[] = {{20.0f, Failure}, {20.01f, Running}};
		for (const auto& c : cases)
		{
			ChaseLevel level(Tuple3f(24, 0.5f, 8), "0 0 2");
			EXPECT_EQ(level.Start(1.5f, c.maxChargeDist)->status, c.status) << c.maxChargeDist;
		}
		ChaseLevel level(Tuple3f(24, 0.5f, 4), "0 0 2");
		ASSERT_EQ(level.Start(2.0f, 30.0f)->status, Running);
		const Tuple3f end = level.Movement().GetPath().back();
		EXPECT_NEAR(end.x, 24.0f, 0.1f);
		EXPECT_NEAR(end.z, 8.0f, 0.1f);
	}

	TEST(HeadOffObject, NoPathToTheAimFailsAfterTheSpeedAndAnimationWereSent)
	{
		ChaseLevel level(Tuple3f(88, 0.5f, 8));
		EXPECT_EQ(level.Start(0.0f, 100.0f)->status, Failure);
		EXPECT_EQ(level.log->Named("SetSpeed"), std::vector<std::string>{"SetSpeed " + tw::TextOf(3.0f)});
		EXPECT_EQ(level.log->Named("SetAnimation"), std::vector<std::string>{"SetAnimation Walk"});
	}

	TEST(HeadOffObject, ALongRunSucceedsAfterFourSecondsAndAShortOneWhenItIsOver)
	{
		{
			ChaseLevel level(Tuple3f(60, 0.5f, 8));
			auto node = level.Start(0.0f, 100.0f);
			// 250 frames of 16 ms: 4000 ms.
			for (int frame = 0; frame < 250; ++frame)
			{
				level.world.Walk(level.runner, 1);
				node->Update();
			}
			EXPECT_EQ(node->status, Running);
			level.world.Walk(level.runner, 1);
			node->Update();
			EXPECT_EQ(node->status, Success);
			EXPECT_TRUE(level.Movement().IsWalking());
		}
		ChaseLevel near(Tuple3f(8, 0.5f, 8));
		auto shortRun = near.Start(0.0f, 100.0f);
		for (int frame = 0; frame < 200 && shortRun->status == Running; ++frame)
		{
			near.world.Walk(near.runner, 1);
			shortRun->Update();
		}
		EXPECT_EQ(shortRun->status, Success);
		EXPECT_FALSE(near.Movement().IsWalking());
	}
}
