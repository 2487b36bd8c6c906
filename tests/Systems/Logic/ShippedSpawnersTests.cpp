// The shipped levels' spawners, headless: what they made and the player blew out of the level is
// removed, and each spawner makes another, back in the level, within its interval.
#include "Archetype.h"
#include "Components/Physics/PhysicsComponentWorld.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Logic/MadeFromFile.h"
#include "Systems/Physics/RigidBody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace
{
	using test::GameWorld;
	using test::PhysicsComponentWorld;

	constexpr unsigned kSpawnerFramesPerSecond = 62;

	struct SpawnerShot
	{
		float elevationDegrees;
		float speed;
	};

	struct SpawnerCase
	{
		const char* level;
		// The name of what the level's spawners make; objects of that name already in the level
		// are left alone.
		const char* spawned;
		unsigned spawnIntervalMilliseconds;
		// Where the player stands, in reach of the spawners.
		Tuple3f playerAt;
		// One per object the spawners keep alive: each blown out through the side wall or edge
		// nearer to it.
		std::vector<SpawnerShot> shots;
	};

	std::vector<unsigned> SpawnedNow(const char* name, const std::set<unsigned>& placed)
	{
		std::vector<unsigned> spawned;
		for (unsigned id : ObjectIdsByName(name))
			if (!placed.contains(id))
				spawned.push_back(id);
		return spawned;
	}

	void BlowOut(unsigned id, const SpawnerShot& shot)
	{
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(ObjectFromId(id));
		const float elevation = shot.elevationDegrees * 3.14159265f / 180.0f;
		const float outward = body.GetPosition().x < 0.0f ? -1.0f : 1.0f;
		body.velocity = Tuple3f(outward * std::cos(elevation), std::sin(elevation), 0.0f) * shot.speed;
		body.Wake();
	}

	// What the lair's spawners make, a keg or a crate, and what the level editor makes there, a crate
	// or the crates of a tower, made on the ground, taken in and shot from the muzzle near straight up
	// at the full speed of a keg, spinning: each climbs more than 30 above where it was made, and is
	// still in play when it comes down.
	TEST(ShippedSpawners, AKegOrACrateShotStraightUpIsNotRemovedInFlight)
	{
		constexpr float kMuzzleHeight = 4.6f;
		// The player's fastest shot, halved for a body as heavy as a keg.
		constexpr float kKegShotSpeed = 30.0f;
		// Above where it was made, the top of the box that watches it.
		constexpr float kBoxTop = 30.0f;
		// Several shot at once stand this far apart across the muzzle.
		constexpr float kApart = 3.0f;
		const struct
		{
			const char* file;
			test::MadeFrom kind;
			// Where its centre, or the group's origin, stands on the ground.
			float standing;
		} kCases[] = {
			{"Keg.xml", test::MadeFrom::kArchetype, 0.4f},
			{"Crate.xml", test::MadeFrom::kArchetype, 0.5f},
			{"EditorCrate.xml", test::MadeFrom::kArchetype, 0.5f},
			{"Tower.xml", test::MadeFrom::kGroup, 0.0f},
		};
		for (const auto& row : kCases)
		{
			SCOPED_TRACE(row.file);
			GameWorld world;
			ASSERT_TRUE(world.LoadLevel("Lair"));
			const std::vector<unsigned> made = test::MakeFromFile(row.file, row.kind, Tuple3f(-6.0f, row.standing, 5.0f));
			ASSERT_FALSE(made.empty());
			world.Frame(10);
			std::vector<float> madeAt;
			for (std::size_t shot = 0; shot < made.size(); ++shot)
			{
				const Object object = ObjectFromId(made[shot]);
				madeAt.push_back(PhysicsComponentWorld::RigidBodyOf(object).GetPosition().y);
				const float across = (static_cast<float>(shot) - static_cast<float>(made.size() - 1) / 2.0f) * kApart;
				object.SendMessage(Message("SetPos").Push(Tuple3f(across, kMuzzleHeight, 10.0f)));
				object.SendMessage(Message("SetVelocity").Push(Tuple3f(0.3f, kKegShotSpeed, 0.0f)));
				object.SendMessage(Message("SetAngularVelocity").Push(Tuple3f(2.0f, 5.0f, 1.0f)));
			}
			std::vector<float> peak = madeAt;
			std::vector<bool> cameDown(made.size(), false);
			for (unsigned frame = 0; frame < 8 * kSpawnerFramesPerSecond; ++frame)
			{
				world.Frame();
				for (std::size_t shot = 0; shot < made.size(); ++shot)
				{
					if (cameDown[shot] || ObjectFromId(made[shot]).IsDummy())
						continue;
					const float height = PhysicsComponentWorld::RigidBodyOf(ObjectFromId(made[shot])).GetPosition().y;
					peak[shot] = std::max(peak[shot], height);
					cameDown[shot] = peak[shot] > madeAt[shot] + kBoxTop && height < 10.0f;
				}
				if (std::all_of(cameDown.begin(), cameDown.end(), [](bool down) { return down; }))
					break;
			}
			for (std::size_t shot = 0; shot < made.size(); ++shot)
				EXPECT_TRUE(cameDown[shot]) << "shot " << shot
											<< (ObjectFromId(made[shot]).IsDummy() ? " was removed in flight" : " never flew 30 above where it was made")
											<< ", at its peak of " << peak[shot] << " (made at " << madeAt[shot] << ")";
		}
	}

	TEST(ShippedSpawners, WhatIsBlownOutOfTheLevelIsRemovedAndMadeAgain)
	{
		const SpawnerCase cases[] = {
			// The lair's four kegs over its 3 m walls, low and fast or as a steep lob.
			{"Lair", "Keg", 3000, Tuple3f(0.0f, 1.0f, 13.0f), {{40.0f, 30.0f}, {40.0f, 45.0f}, {65.0f, 30.0f}, {25.0f, 60.0f}}},
			// The homestead's two crates over its 20 m walls, both climbing more than 30 above where they
			// were made.
			{"Homestead", "Crate", 4000, Tuple3f(5.0f, 1.0f, -10.0f), {{50.0f, 45.0f}, {60.0f, 45.0f}}},
		};
		for (const SpawnerCase& row : cases)
		{
			SCOPED_TRACE(row.level);
			const unsigned intervalFrames = row.spawnIntervalMilliseconds * kSpawnerFramesPerSecond / 1000 + 1;
			const unsigned frames = 2 * row.shots.size() * intervalFrames + 12 * kSpawnerFramesPerSecond;
			GameWorld world;
			std::set<unsigned> placed;
			std::vector<unsigned> blown;
			std::optional<unsigned> lastShotAt, allGoneAt, firstNewAt, replacedAt;
			bool replacementsInLevel = false;
			std::map<unsigned, std::function<void()>> script;
			for (unsigned frame = 1; frame <= frames; ++frame)
				script[frame] = [&, frame] {
					if (frame == 1)
					{
						const std::vector<unsigned> ids = ObjectIdsByName(row.spawned);
						placed.insert(ids.begin(), ids.end());
						ObjectFromName("Player").SendMessage(Message("SetPos").Push(row.playerAt));
					}
					const std::vector<unsigned> spawned = SpawnedNow(row.spawned, placed);
					// Each as it appears, so that the spawners' clocks run on as in play.
					for (unsigned id : spawned)
						if (blown.size() < row.shots.size() && std::find(blown.begin(), blown.end(), id) == blown.end())
						{
							BlowOut(id, row.shots[blown.size()]);
							blown.push_back(id);
							lastShotAt = frame;
						}
					if (!lastShotAt || blown.size() < row.shots.size() || frame == *lastShotAt)
						return;
					if (!allGoneAt && std::none_of(blown.begin(), blown.end(), [](unsigned id) { return !ObjectFromId(id).IsDummy(); }))
						allGoneAt = frame;
					if (!allGoneAt || spawned.empty())
						return;
					if (!firstNewAt)
						firstNewAt = frame;
					if (spawned.size() < row.shots.size())
						return;
					replacedAt = frame;
					replacementsInLevel = std::all_of(spawned.begin(), spawned.end(), [](unsigned id) {
						const Tuple3f at = PhysicsComponentWorld::RigidBodyOf(ObjectFromId(id)).GetPosition();
						return std::abs(at.x) < 18.0f && std::abs(at.z) < 18.0f && at.y > 0.0f;
					});
					Engine::Instance()->RequestState(Engine::kQuit);
				};
			world.Run(row.level, script, frames);
			ASSERT_EQ(blown.size(), row.shots.size()) << "the spawners made too few";
			ASSERT_TRUE(allGoneAt) << "what was blown out of the level stays in play for ever";
			// The steep lob, slowest over the wall, leaves last as it falls below the level.
			EXPECT_LE(*allGoneAt, *lastShotAt + 7 * kSpawnerFramesPerSecond) << "what was blown out left late";
			ASSERT_TRUE(firstNewAt) << "the spawners made nothing new";
			EXPECT_LE(*firstNewAt, *allGoneAt + intervalFrames);
			// A spawner that keeps several makes one per interval.
			ASSERT_TRUE(replacedAt) << "the spawners made too few anew";
			EXPECT_LE(*replacedAt, *allGoneAt + row.shots.size() * intervalFrames);
			EXPECT_TRUE(replacementsInLevel);
		}
	}
}
