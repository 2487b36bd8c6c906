// The shipped lair, headless: what its golem makes over a long fight must not use up the physics.
#include "Archetype.h"
#include "Components/Logic/GolemWorld.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace
{
	using test::GameWorld;
	using test::GolemWorld;

	constexpr unsigned kFramesPerSecond = 62;

	// With one forearm bare, every throw makes new objects at that hand: a player who takes minutes
	// over the other arm must still find room for the kegs.
	TEST(LairFight, ThrowsFromABareArmKeepTheBodiesInUseBounded)
	{
		GameWorld world;
		const unsigned frames = 190 * kFramesPerSecond;
		std::optional<unsigned> atBaring;
		unsigned lastHit = 0, most = 0;
		std::map<unsigned, std::function<void()>> script;
		for (unsigned frame = 1; frame <= frames; ++frame)
			script[frame] = [&, frame] {
				const Object golem = ObjectFromName("Golem");
				if (golem.IsDummy())
					return;
				if (frame == 10)
					golem.object->HandleMessage(Message("SummonScraps"));
				const unsigned inUse = Physics::Instance()->GetResolution().bodyPool.Count();
				if (!atBaring && GolemWorld::GolemOf(golem).GetParts()[0].IsComplete())
					atBaring = inUse;
				if (atBaring)
					most = std::max(most, inUse);
				if (atBaring || !GolemWorld::GolemOf(golem).IsArmed() || frame < lastHit + kFramesPerSecond)
					return;
				for (unsigned id : GolemWorld::PartScraps(golem, 0))
					if (!GolemWorld::RigidBodyOf(ObjectFromId(id)).HasFlag(kBodyNoGravity))
					{
						GolemWorld::Explode(id);
						lastHit = frame;
						break;
					}
			};
		world.Run("Lair", script, frames);
		ASSERT_TRUE(atBaring) << "the left forearm was never bared";
		// Three minutes of throws, two objects each: far more than this if they stayed.
		EXPECT_LE(most, *atBaring + 12);
	}

	// The golem's token falls where the golem broke up, often onto its shed scraps and dropped
	// crates: it must still reach the floor, or the game never moves on to the won page.
	TEST(LairFight, AWinTokenDroppedOntoACrateStillReachesTheFloor)
	{
		GameWorld world;
		// The first level after the lair.
		std::string level;
		std::map<unsigned, std::function<void()>> script;
		script[10] = [] {
			const Tuple3f at(10.0f, 0.0f, 10.0f);
			for (const auto& [archetype, height] : {std::pair("DroppedCrate.xml", 0.5f), std::pair("WinToken.xml", 2.0f)})
			{
				const Object object = CreateObjectFromArchetype(archetype);
				object.object->Start();
				object.object->HandleMessage(Message("SetPos").Push(at + Tuple3f(0.0f, height, 0.0f)));
			}
		};
		for (unsigned frame = 11; frame <= 10 * kFramesPerSecond; ++frame)
			script[frame] = [&level] {
				if (level.empty() && Engine::Instance()->GetCurrentLevel() != "Lair")
					level = Engine::Instance()->GetCurrentLevel();
			};
		world.Run("Lair", script, 10 * kFramesPerSecond);
		EXPECT_EQ(level, "Won");
	}
}
