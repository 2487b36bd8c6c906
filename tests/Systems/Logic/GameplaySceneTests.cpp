// Whole scenes of the damage chain in the headless game with the real physics step: what a player
// sees when a ball breaks a wall, a crate falls, or a blast goes off among crates.
#include "Components/Logic/CollisionDamage.h"
#include "Components/Logic/Explosion.h"
#include "Components/Logic/FallDamage.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/RagdollDeath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	using test::GameplayWorld;

	// Health 30; only a hit of 1000 or more knocks a crate over.
	const std::string kCrateHealth = "<unsigned>30</unsigned><unsigned>0</unsigned><int>1000</int>";

	Object AddSceneFloor(GameplayWorld& world)
	{
		const Object floor = world.AddBodyObject("Floor", Tuple3f(0, -0.5f, 0), false, GameplayWorld::CubeBody());
		floor.object->GetComponent<Transform>()->SetScale(Tuple3f(40, 1, 40));
		floor.object->Start();
		floor.object->HandleMessage(Message("SetStatic"));
		return floor;
	}

	Object AddCrate(GameplayWorld& world, const Tuple3f& position)
	{
		const Object crate = world.AddBodyObject("Crate", position, false, GameplayWorld::CubeBody());
		GameplayWorld::AddLoaded(crate, Health::TypeId(), kCrateHealth);
		return crate;
	}

	struct CrateFate
	{
		bool died = false;
		unsigned deathFrame = 0;
		unsigned goneFrame = 0;
		Tuple3f position;
		bool operator==(const CrateFate&) const = default;
	};

	// A wall of 10 crates, 5 wide and 2 high, hit by a heavy ball at 15 units per second.
	std::vector<CrateFate> BreakTheWall()
	{
		GameplayWorld world;
		AddSceneFloor(world);
		std::vector<Object> crates;
		std::vector<test::MessageLog*> logs;
		for (int row = 0; row < 2; ++row)
			for (int column = 0; column < 5; ++column)
			{
				const Object crate = AddCrate(world, Tuple3f(static_cast<float>(column - 2), 0.5f + static_cast<float>(row), 0));
				// Momentum, mass times speed: a unit crate weighs 790, the ball (2.5 across) 8.2 times that.
				GameplayWorld::AddLoaded(crate, CollisionDamage::TypeId(), "<float>20000</float><float>80000</float><int>40</int>");
				GameplayWorld::AddLoaded(crate, RagdollDeath::TypeId(), "<float>1</float>");
				crate.object->Start();
				crates.push_back(crate);
				logs.push_back(&test::Listen(crate, {"Death"}));
			}
		const Object ball = world.AddBodyObject("Ball", Tuple3f(0, 1.25f, -4), false, GameplayWorld::SphereBody());
		ball.object->GetComponent<Transform>()->SetScale(Tuple3f(2.5f, 2.5f, 2.5f));
		ball.object->Start();
		Engine::SendMessage(Message("LevelLoaded"));
		GameplayWorld::RigidBodyOf(ball).velocity = Tuple3f(0, 0, 15);
		std::vector<CrateFate> fates(crates.size());
		for (unsigned frame = 1; frame <= 150; ++frame)
		{
			world.Frame();
			for (std::size_t index = 0; index < crates.size(); ++index)
			{
				CrateFate& fate = fates[index];
				if (fate.goneFrame != 0)
					continue;
				if (ObjectFromId(crates[index].id).IsDummy())
				{
					fate.goneFrame = frame;
					continue;
				}
				EXPECT_LE(logs[index]->Count("Death"), 1u);
				if (!fate.died && logs[index]->Count("Death") == 1)
				{
					fate.died = true;
					fate.deathFrame = frame;
				}
				fate.position = crates[index].object->GetComponent<Transform>()->GetWorldPosition();
			}
		}
		return fates;
	}

	TEST(HealthScene, ABallBreakingAWallKillsTheCratesItHitsHardAndTheDeadGoASecondLater)
	{
		const std::vector<CrateFate> fates = BreakTheWall();
		std::size_t dead = 0;
		for (const CrateFate& fate : fates)
		{
			if (!fate.died)
			{
				EXPECT_EQ(fate.goneFrame, 0u);
				continue;
			}
			++dead;
			// 1 s is 62.5 frames of 16 ms: removed in the first frame past it.
			EXPECT_EQ(fate.goneFrame - fate.deathFrame, 63u);
		}
		EXPECT_GT(dead, 0u);
		EXPECT_LT(dead, fates.size());
		EXPECT_EQ(BreakTheWall(), fates);
	}

	TEST(HealthScene, ACrateDroppedFromTenUnitsDiesOnLanding)
	{
		GameplayWorld world;
		AddSceneFloor(world);
		const Object crate = AddCrate(world, Tuple3f(0, 10.5f, 0));
		GameplayWorld::AddLoaded(crate, FallDamage::TypeId(), "<float>5</float><float>10</float><int>30</int>");
		crate.object->Start();
		test::MessageLog& log = test::Listen(crate, {"Death"});
		Engine::SendMessage(Message("LevelLoaded"));
		float heightAtDeath = -1.0f;
		for (unsigned frame = 0; frame < 150 && log.Count("Death") == 0; ++frame)
		{
			world.Frame();
			heightAtDeath = crate.object->GetComponent<Transform>()->GetWorldPosition().y;
		}
		EXPECT_EQ(log.Count("Death"), 1u);
		EXPECT_NEAR(heightAtDeath, 0.5f, 0.2f);
	}

	TEST(ExplosionScene, ABlastDamagesEachTouchingCrateOnceAndPushesItAwayAboveTheFloor)
	{
		GameplayWorld world;
		AddSceneFloor(world);
		const Object blast = world.AddBodyObject("Blast", Tuple3f(0, 0.5f, 0), false, GameplayWorld::CubeBody());
		GameplayWorld::AddLoaded(blast, Explosion::TypeId(),
			"<Tuple3f>1 1 1</Tuple3f><Tuple3f>1 1 1</Tuple3f><float>0.5</float><float>48000</float><int>5</int><int>1</int>");
		blast.object->Start();
		blast.object->HandleMessage(Message("SetStatic"));
		const Tuple3f places[] = {{0.98f, 0.5f, 0}, {-0.98f, 0.5f, 0}, {0, 0.5f, 0.98f}};
		std::vector<Object> crates;
		for (const Tuple3f& place : places)
		{
			crates.push_back(AddCrate(world, place));
			crates.back().object->Start();
		}
		Engine::SendMessage(Message("LevelLoaded"));
		world.Frame(2);
		ASSERT_EQ(blast.object->GetComponent<Explosion>()->TouchingCount(), 3u);
		blast.object->HandleMessage(Message("Explode"));
		world.Frame(60);
		for (std::size_t index = 0; index < crates.size(); ++index)
		{
			const Tuple3f position = crates[index].object->GetComponent<Transform>()->GetWorldPosition();
			EXPECT_EQ(crates[index].object->GetComponent<Health>()->GetHealth(), 25) << index;
			const Tuple3f start = places[index] - Tuple3f(0, 0.5f, 0);
			const Tuple3f now = position - Tuple3f(0, 0.5f, 0);
			EXPECT_GT(std::hypot(now.x, now.z), std::hypot(start.x, start.z) + 0.1f) << index;
			EXPECT_GT(position.y, 0.4f) << index;
		}
	}
}
