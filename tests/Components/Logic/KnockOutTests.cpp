#include "Components/Logic/KnockOut.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(KnockOut, StarsBurstOnceWhileUpAndAliveAndClearOnGettingUpOrDeath)
	{
		GameplayWorld world;
		const Object object = world.AddLogic(KnockOut::TypeId(), "<unsigned>12</unsigned>");
		test::MessageLog& log = test::Listen(object, {"ParticleBurst", "ParticleClear"});
		// (message, ragdoll state or none for "Death", bursts and clears seen so far)
		const struct { bool death; bool on; std::size_t bursts; std::size_t clears; } steps[] = {
			{false, true, 1, 0}, {false, true, 1, 0}, {false, false, 1, 1}, {false, true, 2, 1},
			{true, false, 2, 2}, {false, false, 2, 3}, {false, true, 2, 3}};
		for (const auto& step : steps)
		{
			object.object->HandleMessage(step.death ? Message("Death") : Message("Ragdoll").PushBool(step.on));
			EXPECT_EQ(log.Count("ParticleBurst"), step.bursts);
			EXPECT_EQ(log.Count("ParticleClear"), step.clears);
		}
		EXPECT_EQ(log.entries.front(), "ParticleBurst Stars 12");
	}
}
