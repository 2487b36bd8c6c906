#include "Components/Logic/PlayerDeath.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	TEST(PlayerDeath, DeathAsksForThePreviousLevel)
	{
		test::GameplayWorld world;
		const Object player = world.AddLogic(PlayerDeath::TypeId(), "");
		player.object->HandleMessage(Message("Death"));
		EXPECT_EQ(world.engine.ArgumentsOf("PrevLevel").size(), 1u);
	}
}
