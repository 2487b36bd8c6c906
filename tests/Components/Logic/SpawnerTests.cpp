#include "Components/Logic/Spawner.h"

#include "Components/Logic/HouseDestroyed.h"
#include "Components/Logic/StoredMessageWorld.h"
#include "Components/Transform.h"
#include "ObjectGroup.h"
#include "Utilities/Diagnostics.h"
#include "../../Utilities/ScriptMembers.h"

#include <gmock/gmock.h>

#include <cmath>

namespace
{
	using namespace test;

	// A spawner of "Imp" objects at the origin, watching "Player"; not started.
	Object AddSpawner(StoredMessageWorld& world, unsigned interval, float distance, const std::string& direction, unsigned maxSpawned)
	{
		const std::string imp = world.WriteLevel("Imp.xml", "<Object><string>Imp</string><Component><string>Transform</string>"
			"<Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f></Component></Object>");
		const Object spawner = StoredMessageWorld::Add<Spawner>("Spawner", "<unsigned>" + std::to_string(interval) + "</unsigned>" +
			Str(imp) + Str("Player") + "<float>" + std::to_string(distance) + "</float><Tuple3f>" + direction + "</Tuple3f><unsigned>" +
			std::to_string(maxSpawned) + "</unsigned>");
		spawner.object->AddComponent(Transform::TypeId());
		return spawner;
	}
	Object AddSpawnerPlayer(const Tuple3f& position)
	{
		const Object player = CreateObject("Player");
		player.object->AddComponent(Transform::TypeId());
		player.object->GetComponent<Transform>()->SetWorldPosition(position);
		return player;
	}

	TEST(Spawner, SpawnsOnlyOnceDueWithinRangeAndBelowItsLimit)
	{
		struct Case
		{
			unsigned interval, maxSpawned, frames;
			float playerX;
			std::size_t spawned;
		};
		// Frames are 16 ms apart and the first runs when the spawner was made.
		const Case cases[] = {{0, 0, 10, 1.0f, 0}, {1000, 5, 63, 1.0f, 0}, {1000, 5, 64, 1.0f, 1}, {0, 5, 10, 5.0f, 0},
			{0, 5, 10, 4.99f, 5}, {0, 2, 10, 1.0f, 2}};
		for (const Case& c : cases)
		{
			StoredMessageWorld world;
			AddSpawnerPlayer(Tuple3f(c.playerX, 0, 0));
			AddSpawner(world, c.interval, 5.0f, "0 0 1", c.maxSpawned).object->Start();
			world.Frame(c.frames);
			EXPECT_EQ(ObjectIdsByName("Imp").size(), c.spawned) << c.interval << " ms, " << c.frames << " frames, x " << c.playerX;
		}
	}

	// A missing archetype, a folder and an endless device: the reader says so once, however often
	// and however far apart the spawner tries.
	TEST(Spawner, AnArchetypeThatCannotBeReadIsReportedOnce)
	{
		for (const unsigned interval : {0u, 100u})
		{
			StoredMessageWorld world;
			AddSpawnerPlayer(Tuple3f(1, 0, 0));
			const std::string folder = world.engine.userFolder.Path();
			for (const std::string& archetype : {folder + "Missing.xml", folder, std::string("/dev/zero")})
			{
				const Object spawner = StoredMessageWorld::Add<Spawner>("Spawner", "<unsigned>" + std::to_string(interval) + "</unsigned>" +
					Str(archetype) + Str("Player") + "<float>5</float><Tuple3f>0 0 1</Tuple3f><unsigned>5</unsigned>");
				spawner.object->AddComponent(Transform::TypeId());
				spawner.object->Start();
				tw::Diagnostics::Flush();
				testing::internal::CaptureStderr();
				world.Frame(40);
				const std::string printed = testing::internal::GetCapturedStderr();
				const std::string line = "Serializer: '" + archetype + "'";
				const std::size_t first = printed.find(line);
				EXPECT_NE(first, std::string::npos) << archetype << "\n" << printed;
				EXPECT_EQ(printed.find(line, first + 1), std::string::npos) << interval << " ms, " << archetype << "\n" << printed;
				spawner.object->Destroy();
				world.Frame();
			}
		}
	}

	TEST(Spawner, PlacesSpawnsAlongItsDirectionOrOnTheSpotWithoutOne)
	{
		const std::pair<std::string, Tuple3f> cases[] = {{"0 0 2", Tuple3f(0, 0, 3)}, {"0 0 0", Tuple3f(0, 0, 0)}};
		for (const auto& [direction, position] : cases)
		{
			StoredMessageWorld world;
			AddSpawnerPlayer(Tuple3f(1, 0, 0));
			Object spawner{};
			const std::string printed = Printed([&] { spawner = AddSpawner(world, 0, 5.0f, direction, 1); });
			EXPECT_EQ(printed.find("\"spawnDir\" has no direction") != std::string::npos, direction == "0 0 0");
			spawner.object->Start();
			world.Frame();
			ASSERT_EQ(ObjectIdsByName("Imp").size(), 1u);
			EXPECT_EQ(ObjectFromName("Imp").object->GetComponent<Transform>()->GetWorldPosition(), position) << direction;
		}
	}

	// Turned about the vertical by the angle between the spawner and the spawn, both seen from the
	// world's origin across the ground: from (4, 0) to (4, 3), the angle whose tangent is 3/4.
	TEST(Spawner, TurnsTheSpawnByTheAngleBetweenItselfAndTheSpawnSeenFromTheOrigin)
	{
		StoredMessageWorld world;
		AddSpawnerPlayer(Tuple3f(4.5f, 0, 0));
		const Object spawner = AddSpawner(world, 0, 5.0f, "0 0 1", 1);
		spawner.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(4, 0, 0));
		spawner.object->Start();
		world.Frame();
		ASSERT_EQ(ObjectIdsByName("Imp").size(), 1u);
		const Tuple3f turn = ObjectFromName("Imp").object->GetComponent<Transform>()->GetWorldRotationVector();
		EXPECT_NEAR(turn.y, std::atan2(3.0f, 4.0f), 1e-5f);
		EXPECT_NEAR(turn.x, 0.0f, 1e-6f);
		EXPECT_NEAR(turn.z, 0.0f, 1e-6f);
	}

	TEST(Spawner, GoesWithTheLastHouseOfItsGroupCountedFromBeforeItStarted)
	{
		// (houses of the group, "DestroySpawner" messages that leave it standing)
		for (const int houses : {3, 0})
		{
			StoredMessageWorld world;
			ObjectGroup* group = ObjectGroup::Create();
			const Object spawner = AddSpawner(world, 0, 5.0f, "0 0 1", 1);
			spawner.object->SetGroup(group->GetId());
			for (int index = 0; index < houses; ++index)
			{
				const Object house = StoredMessageWorld::Add<HouseDestroyed>("House", Str("Death"));
				house.object->SetGroup(group->GetId());
				house.object->Start();
			}
			spawner.object->Start();
			EXPECT_EQ(world.Of<Spawner>(spawner).GetDestroyerCount(), houses == 0 ? -1 : houses);
			for (int sent = 1; sent <= std::max(houses, 1); ++sent)
			{
				spawner.SendMessage(Message("DestroySpawner"));
				world.Frame();
				EXPECT_EQ(ObjectFromId(spawner.id).IsDummy(), sent == std::max(houses, 1)) << houses << " houses, " << sent;
			}
		}
	}

	TEST(Spawner, ASpawnOutlivingItsSpawnerIsHarmless)
	{
		StoredMessageWorld world;
		AddSpawnerPlayer(Tuple3f(1, 0, 0));
		const Object spawner = AddSpawner(world, 0, 5.0f, "0 0 1", 3);
		spawner.object->Start();
		world.Frame();
		const Object imp = ObjectFromName("Imp");
		spawner.object->Destroy();
		world.Frame();
		imp.object->Destroy();
		world.Frame();
		EXPECT_TRUE(ObjectFromId(imp.id).IsDummy());
	}

	TEST(Spawner, ADestroyedSpawnFreesItsPlace)
	{
		StoredMessageWorld world;
		AddSpawnerPlayer(Tuple3f(1, 0, 0));
		const Object spawner = AddSpawner(world, 0, 5.0f, "0 0 1", 1);
		spawner.object->Start();
		world.Frame(3);
		ASSERT_EQ(ObjectIdsByName("Imp").size(), 1u);
		ObjectFromName("Imp").object->Destroy();
		world.Frame(2);
		EXPECT_EQ(ObjectIdsByName("Imp").size(), 1u);
		EXPECT_EQ(world.Of<Spawner>(spawner).GetSpawnedCount(), 1u);
	}

	TEST(Spawner, AMissingWatchedObjectLeavesTheClockAlone)
	{
		StoredMessageWorld world;
		const Object spawner = AddSpawner(world, 1000, 5.0f, "0 0 1", 1);
		spawner.object->Start();
		world.Frame(70);
		AddSpawnerPlayer(Tuple3f(1, 0, 0));
		world.Frame();
		EXPECT_EQ(ObjectIdsByName("Imp").size(), 1u);
	}

	TEST(Spawner, SavesItsSixValuesAsRead)
	{
		StoredMessageWorld world;
		const Object spawner = AddSpawner(world, 250, 7.5f, "0 0 2", 4);
		const std::string saved = world.Saved(world.Of<Spawner>(spawner));
		for (const char* field : {"<unsigned name=\"spawnInterval\">250<", "Imp.xml<", "<string name=\"watchedObj\">Player<",
				 "<float name=\"spawnDist\">7.5<", "<Tuple3f name=\"spawnDir\">0 0 2<", "<unsigned name=\"maxSpawned\">4<"})
			EXPECT_NE(saved.find(field), std::string::npos) << field << " in " << saved;
	}

	TEST(Spawner, ScriptClassHoldsItsThreeProperties)
	{
		EXPECT_THAT(test::ScriptMembers("Spawner"), testing::UnorderedElementsAre("spawnDist", "spawnDir", "spawnInterval"));
	}
}
