// The shipped lair, headless: what its golem makes over a long fight must not use up the physics.
#include "Components/Logic/GolemWorld.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

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
}
