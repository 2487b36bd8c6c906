#include "Components/Logic/PlayerDeath.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	// The display says so at once; the level starts again once, when the delay has passed.
	TEST(PlayerDeath, DeathIsShownThenAsksForThePreviousLevelAfterTheDelay)
	{
		test::GameplayWorld world;
		const test::MessageLog& display = test::Listen(CreateObject("PlayerHudObj"), {"CallJSFunction"});
		const Object player = world.AddLogic(PlayerDeath::TypeId(), "", Tuple3f(), false, "Player");
		player.object->HandleMessage(Message("Death"));
		player.object->HandleMessage(Message("Death"));
		EXPECT_EQ(display.entries, std::vector<std::string>{"CallJSFunction ShowDeath(); void(0);"});
		unsigned restartFrame = 0;
		for (unsigned frame = 1; frame <= 2 * PlayerDeath::kRestartDelay / 16; ++frame)
		{
			world.Frame();
			if (restartFrame == 0 && !world.engine.ArgumentsOf("PrevLevel").empty())
				restartFrame = frame;
		}
		// Frames of 16 ms of game time.
		EXPECT_NEAR(restartFrame * 16.0, PlayerDeath::kRestartDelay, 32.0);
		EXPECT_EQ(world.engine.ArgumentsOf("PrevLevel").size(), 1u);
	}
}
