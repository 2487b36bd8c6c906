#include "Systems/Logic/MovementLeaves.h"

#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/GolemWorld.h"
#include "Components/Logic/Health.h"
#include "Systems/Logic/NavTestLevels.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
	using test::GameClock;
	using test::NavWorld;

	std::unique_ptr<BehaviorNode> StartLeafNode(const char* type, const std::string& fields, const Object& owner)
	{
		return test::StartNode(type, fields, owner.object);
	}

	// Milliseconds of updates one apart until the node ends.
	std::uint32_t MillisecondsToEnd(BehaviorNode& node, std::uint32_t limit)
	{
		std::uint32_t elapsed = 0;
		while (node.status == Running && elapsed < limit)
		{
			GameClock::Advance(1);
			++elapsed;
			node.Update();
		}
		return elapsed;
	}

	TEST(IdleNode, StopsTheCharacterAndIdlesFromTheShortestUpToBeforeTheLongestTime)
	{
		test::GameplayWorld world;
		const Object idler = world.AddLogic(PathMovement::TypeId(), "<float>2</float>");
		test::MessageLog& log = test::Listen(idler, {"SetVelocity", "StopPathing", "SetAnimation"});
		std::uint32_t shortest = 10000;
		std::uint32_t longest = 0;
		for (int run = 0; run < 60; ++run)
		{
			auto idle = StartLeafNode("Idle", "<float>1</float><float>3</float>", idler);
			// The node ends in the first update after its time has passed.
			const std::uint32_t idled = MillisecondsToEnd(*idle, 4000) - 1;
			EXPECT_GE(idled, 1000u);
			EXPECT_LE(idled, 2999u);
			shortest = std::min(shortest, idled);
			longest = std::max(longest, idled);
		}
		EXPECT_LT(shortest, 1300u);
		EXPECT_GT(longest, 2700u);
		EXPECT_EQ(log.entries[0], "SetVelocity " + tw::TextOf(Tuple3f(0, 0, 0)));
		EXPECT_EQ(log.entries[1], "StopPathing " + tw::TextOf(true));
		EXPECT_EQ(log.entries[2], "SetAnimation Idle");
		EXPECT_FALSE(idler.object->GetComponent<PathMovement>()->IsMoving());
		auto reversed = StartLeafNode("Idle", "<float>3</float><float>1</float>", idler);
		EXPECT_EQ(MillisecondsToEnd(*reversed, 5000) - 1, 3000u);
	}

	struct WanderLevel
	{
		WanderLevel(std::initializer_list<std::array<float, 4>> floors, const Tuple3f& start)
		{
			world.AddFloorObject(floors);
			world.LevelLoaded();
			walker = NavWorld::AddWalker(start);
		}
		NavWorld world;
		Object walker;
	};

	TEST(WanderNode, AWalkOntoAnUnconnectedFloorFailsAtStartAndOneBesideTheMeshIsSnappedAndRuns)
	{
		// An island of 8 units in a ring whose every point 20 units from the island's middle is floor.
		{
			WanderLevel island({{0, 0, 8, 8}, {-20, -20, 28, -8}, {-20, 16, 28, 28}, {-20, -8, -8, 16}, {16, -8, 28, 16}}, Tuple3f(4, 0.5f, 4));
			for (int run = 0; run < 5; ++run)
				EXPECT_EQ(StartLeafNode("Wander", "<float>20</float><float>20</float><float>1</float><float>2</float>", island.walker)->status,
					Failure) << run;
		}
		// From the middle of a 32-unit floor every walk of 16 ends at most a radius off the mesh.
		WanderLevel floor({{0, 0, 32, 32}}, Tuple3f(16, 0.5f, 16));
		for (int run = 0; run < 5; ++run)
		{
			auto wander = StartLeafNode("Wander", "<float>16</float><float>16</float><float>1</float><float>2</float>", floor.walker);
			EXPECT_EQ(wander->status, Running) << run;
			const float speed = floor.walker.object->GetComponent<PathMovement>()->GetSpeed();
			EXPECT_GE(speed, 1.0f);
			EXPECT_LE(speed, 2.0f);
		}
	}

	TEST(WanderNode, AWalkEndsWithSuccessWhenItIsOverOrAtTheSeventhSecond)
	{
		WanderLevel level({{0, 0, 32, 32}}, Tuple3f(16, 0.5f, 16));
		auto slow = StartLeafNode("Wander", "<float>10</float><float>10</float><float>0.5</float><float>0.5</float>", level.walker);
		// 437 frames of 16 ms: 6992 ms.
		for (int frame = 0; frame < 437; ++frame)
		{
			level.world.Walk(level.walker, 1);
			slow->Update();
		}
		EXPECT_EQ(slow->status, Running);
		level.world.Walk(level.walker, 1);
		slow->Update();
		EXPECT_EQ(slow->status, Success);
		auto quick = StartLeafNode("Wander", "<float>2</float><float>2</float><float>4</float><float>4</float>", level.walker);
		for (int frame = 0; frame < 60 && quick->status == Running; ++frame)
		{
			level.world.Walk(level.walker, 1);
			quick->Update();
		}
		EXPECT_EQ(quick->status, Success);
		EXPECT_FALSE(level.walker.object->GetComponent<PathMovement>()->IsWalking());
	}

	struct TumbleLevel
	{
		explicit TumbleLevel(bool ragdolled = true) : figure(world.AddFigure(Tuple3f(0, 1, 0), ragdolled))
		{
			log = &test::Listen(figure, {"Ragdoll"});
		}
		RigidBody& Body() const { return test::GameplayWorld::RigidBodyOf(figure); }
		// Updates 16 ms apart, the body kept at the velocity.
		void Run(BehaviorNode& node, unsigned updates, const Tuple3f& velocity) const
		{
			for (unsigned update = 0; update < updates && node.status == Running; ++update)
			{
				GameClock::Advance(16);
				Body().velocity = velocity;
				node.Update();
			}
		}
		test::GameplayWorld world;
		Object figure;
		test::MessageLog* log = nullptr;
	};

	constexpr const char* kTumble = "<float>1</float><float>2</float>";

	TEST(TumbleNode, AFigureThatKeepsSlidingStaysDownAndOneAtRestStandsUpAfterTheWait)
	{
		{
			TumbleLevel standing(false);
			EXPECT_EQ(StartLeafNode("Tumble", kTumble, standing.figure)->status, Failure);
		}
		TumbleLevel level;
		auto tumble = StartLeafNode("Tumble", kTumble, level.figure);
		level.Run(*tumble, 400, Tuple3f(1.5f, 0, 0));
		EXPECT_EQ(tumble->status, Running);
		EXPECT_EQ(level.log->Count("Ragdoll"), 0u);
		// Resting from here: 2000 ms and the next update.
		level.Run(*tumble, 125, Tuple3f(0.5f, 0, 0));
		EXPECT_EQ(tumble->status, Running);
		level.Run(*tumble, 2, Tuple3f());
		EXPECT_EQ(tumble->status, Success);
		EXPECT_EQ(level.log->Named("Ragdoll"), std::vector<std::string>{"Ragdoll " + tw::TextOf(false)});
	}

	TEST(TumbleNode, UnderATenthOfItsHealthTheFigureSucceedsInTheNextUpdateUnlessItsMaximumIsZero)
	{
		const struct
		{
			const char* maxHealth;
			int damage;
			BehaviorStatus status;
		} cases[] = {{"100", 91, Success}, {"100", 90, Running}, {"0", 0, Running}};
		for (const auto& c : cases)
		{
			TumbleLevel level;
			test::GameplayWorld::AddLoaded(level.figure, Health::TypeId(),
				std::string("<unsigned>") + c.maxHealth + "</unsigned><unsigned>0</unsigned><int>1000</int>");
			level.figure.object->GetComponent<Health>()->Start();
			// A hit in the millisecond the health started is not counted.
			GameClock::Advance(1);
			level.figure.object->HandleMessage(Message("Damage").PushInt(c.damage));
			auto tumble = StartLeafNode("Tumble", kTumble, level.figure);
			level.Run(*tumble, 1, Tuple3f(5, 0, 0));
			EXPECT_EQ(tumble->status, c.status) << c.maxHealth << " " << c.damage;
		}
	}

	TEST(BossTumbleNode, StandsTheGolemUpOnceItsWaitHasPassedWhetherOrNotItLayDownAtStart)
	{
		for (const bool downAtStart : {true, false})
		{
			test::GolemWorld world;
			const Object golem = world.AddGolem(Tuple3f(0, 2, 0));
			if (downAtStart)
				golem.object->HandleMessage(Message("Ragdoll").PushBool(true));
			auto tumble = StartLeafNode("BossTumble", "<float>2</float>", golem);
			EXPECT_EQ(tumble->status, downAtStart ? Running : Failure) << downAtStart;
			GameClock::Advance(2000);
			tumble->Update();
			EXPECT_EQ(world.golemLog->Count("Ragdoll"), downAtStart ? 1u : 0u) << "nothing before the wait has passed";
			GameClock::Advance(1);
			tumble->Update();
			EXPECT_EQ(tumble->status, Success) << downAtStart;
			EXPECT_EQ(world.golemLog->entries.back(), "Ragdoll " + tw::TextOf(false)) << downAtStart;
			EXPECT_FALSE(test::GolemWorld::GolemOf(golem).IsRagdolled());
		}
		test::GameplayWorld world;
		EXPECT_EQ(StartLeafNode("BossTumble", "<float>2</float>", world.AddLogic(PathMovement::TypeId(), "<float>2</float>"))->status, Failure)
			<< "no golem";
	}
}
