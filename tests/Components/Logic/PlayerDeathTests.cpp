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

	// At the restart the player stays out and hears of no refusal while the level goes; only a
	// restart the engine refuses, to a previous level named outside the game's folders, gets it up.
	TEST(PlayerDeath, OnlyARefusedRestartGetsThePlayerUp)
	{
		const struct
		{
			const char* prevLevel;
			std::vector<std::string> shown;
			bool out;
		} kCases[] = {
			{"Yard", {"CallJSFunction ShowDeath(); void(0);"}, true},
			{"../Yard", {"CallJSFunction ShowDeath(); void(0);", "CallJSFunction ShowRestartRefused(); void(0);"}, false},
		};
		for (const auto& row : kCases)
		{
			SCOPED_TRACE(row.prevLevel);
			test::GameplayWorld world;
			ASSERT_TRUE(world.LoadLevel(world.WriteLevel("Yard", std::string("<Level><string name=\"nextLevel\"></string>"
				"<string name=\"prevLevel\">") + row.prevLevel + "</string><ObjectGroup></ObjectGroup></Level>")));
			const test::MessageLog& display = test::Listen(CreateObject("PlayerHudObj"), {"CallJSFunction"});
			const Object player = world.AddLogic(PlayerDeath::TypeId(), "", Tuple3f(), false, "Player");
			player.object->HandleMessage(Message("Death"));
			for (unsigned frame = 0; frame <= PlayerDeath::kRestartDelay / 16 + 2 && world.engine.ArgumentsOf("PrevLevel").empty(); ++frame)
				world.Frame();
			ASSERT_EQ(world.engine.ArgumentsOf("PrevLevel").size(), 1u);
			EXPECT_EQ(display.entries, row.shown);
			EXPECT_EQ(PlayerDeath::PlayerIsOut(), row.out);
		}
	}
}
