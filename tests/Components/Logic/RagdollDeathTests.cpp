#include "Components/Logic/RagdollDeath.h"

#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/TeamDamage.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameClock;
	using test::GameplayWorld;

	// Frames until the object is gone (at most the limit), each 16 ms of game time.
	unsigned FramesUntilGone(GameplayWorld& world, const Object& object, unsigned limit = 400)
	{
		for (unsigned frame = 1; frame <= limit; ++frame)
		{
			world.Frame();
			if (ObjectFromId(object.id).IsDummy())
				return frame;
		}
		return 0;
	}

	TEST(RagdollDeath, LifetimeRemovesTheObjectInTheFirstFramePastIt)
	{
		GameplayWorld world;
		const Object object = world.AddLogic(RagdollDeath::TypeId(), "<float>2.5</float>");
		GameplayWorld::AddLoaded(object, TeamDamage::TypeId(), "<string>red</string><int>1</int>");
		test::MessageLog& log = test::Listen(object, {"Ragdoll"});
		const std::uint32_t died = GameClock::Read();
		object.object->HandleMessage(Message("Death"));
		object.object->HandleMessage(Message("Death"));
		world.Frame();
		EXPECT_EQ(object.object->GetComponent<TeamDamage>(), nullptr);
		EXPECT_EQ(log.Count("Ragdoll"), 1u);
		// The k-th frame after the first updates 16 k ms after the death: 2512 ms is the first past 2500.
		EXPECT_EQ(FramesUntilGone(world, object), 2512u / 16);
		EXPECT_EQ(GameClock::Read() - died, 2512u + 16);
	}

	TEST(RagdollDeath, PauseHoldsTheRemovalBackAndRestartBeginsTheLifetimeAgain)
	{
		GameplayWorld world;
		const Object paused = world.AddLogic(RagdollDeath::TypeId(), "<float>0.5</float>");
		paused.object->HandleMessage(Message("Death"));
		paused.object->HandleMessage(Message("PauseClock").PushBool(true));
		world.Frame(100);
		ASSERT_FALSE(ObjectFromId(paused.id).IsDummy());
		paused.object->HandleMessage(Message("PauseClock").PushBool(false));
		EXPECT_EQ(FramesUntilGone(world, paused), 1u);

		const Object restarted = world.AddLogic(RagdollDeath::TypeId(), "<float>0.5</float>");
		restarted.object->HandleMessage(Message("Death"));
		world.Frame(20);
		restarted.object->HandleMessage(Message("RestartClock"));
		// 0.5 s from the restart: the update 512 ms after it, the 33rd, is the first past 500 ms.
		EXPECT_EQ(FramesUntilGone(world, restarted), 33u);
	}
}
