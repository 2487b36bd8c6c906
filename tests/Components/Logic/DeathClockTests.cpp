#include "Components/Logic/DeathClock.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(DeathClock, CountsPhysicsStepsAndPausesAndRestarts)
	{
		// (time to live, messages before the count, the update that removes the object; 0: none in 200)
		struct Case { const char* seconds; bool pause; bool restartWhilePaused; unsigned removedAt; };
		const Case cases[] = {{"1.0", false, false, 63}, {"0", false, false, 1}, {"0", true, false, 0}, {"0", true, true, 0}};
		for (const Case& c : cases)
		{
			GameplayWorld world;
			const Object object = world.AddLogic(DeathClock::TypeId(), std::string("<float>") + c.seconds + "</float>");
			if (c.pause)
				object.object->HandleMessage(Message("PauseClock").PushBool(true));
			if (c.restartWhilePaused)
				object.object->HandleMessage(Message("RestartClock"));
			unsigned removedAt = 0;
			for (unsigned update = 1; update <= 200 && removedAt == 0; ++update)
			{
				world.Frame();
				if (ObjectFromId(object.id).IsDummy())
					removedAt = update;
			}
			EXPECT_EQ(removedAt, c.removedAt) << c.seconds << c.pause << c.restartWhilePaused;
		}
	}
}
