#include "Components/Logic/Hover.h"

#include "Components/Logic/MotionWorld.h"

#include <algorithm>

namespace
{
	using namespace test;

	// period, dmax, hoverHeight
	std::string HoverValues(float period, float dmax = 1.0f, float height = 2.0f)
	{
		return "<float>" + std::to_string(period) + "</float><float>" + std::to_string(dmax) + "</float><float>" + std::to_string(height) +
			"</float>";
	}

	// Frames until the hover stops settling; stops counting at limit.
	unsigned SettleFrames(MotionWorld& world, const Object& hover, unsigned limit = 3000)
	{
		unsigned frames = 0;
		while (MotionWorld::Of<Hover>(hover).IsSettling() && frames < limit)
		{
			world.Frame();
			++frames;
		}
		return frames;
	}

	TEST(Hover, SettlesAtItsHeightAboveTheGroundTheUpwardRayFindsFirst)
	{
		// (floor top, ceiling bottom, start height, settled height)
		const struct { bool floor; bool ceiling; float start; float settled; } cases[] = {
			{true, false, 5.0f, 2.0f},
			{true, true, 5.0f, 12.0f},
			{false, false, 5.0f, 2.0f},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			if (c.floor)
				world.AddFloor(0.0f);
			if (c.ceiling)
				world.AddSlab(Tuple3f(0, 10.5f, 0), Tuple3f(40, 1, 40));
			const Object hover = world.AddLogic(Hover::TypeId(), HoverValues(4.0f), Tuple3f(0, c.start, 0));
			world.Frame(25);
			// 2 / period = 0.5 units per second.
			EXPECT_NEAR(std::fabs(MotionWorld::PositionOf(hover).y - c.start), 25 * 0.008f, 1e-3f) << c.settled;
			const unsigned frames = SettleFrames(world, hover);
			EXPECT_NEAR(static_cast<float>(frames + 25), std::fabs(c.settled - c.start) / 0.008f, 3.0f) << c.settled;
			EXPECT_NEAR(MotionWorld::Of<Hover>(hover).GetBaseHeight(), c.settled, 0.01f);
		}
	}

	TEST(Hover, OnceSettledItBobsFromTheBottomBetweenBaseAndBasePlusDmax)
	{
		MotionWorld world;
		world.AddFloor(0.0f);
		const Object hover = world.AddLogic(Hover::TypeId(), HoverValues(4.0f, 1.0f), Tuple3f(0, 5, 0));
		SettleFrames(world, hover);
		const float base = MotionWorld::Of<Hover>(hover).GetBaseHeight();
		world.Frame();
		EXPECT_NEAR(MotionWorld::PositionOf(hover).y, base, 1e-3f) << "the bob starts at the bottom";
		float lowest = 1e9f;
		float highest = -1e9f;
		// One period is 250 steps of 0.016 s.
		for (int frame = 0; frame < 250; ++frame)
		{
			world.Frame();
			lowest = std::min(lowest, MotionWorld::PositionOf(hover).y);
			highest = std::max(highest, MotionWorld::PositionOf(hover).y);
		}
		EXPECT_NEAR(lowest, base, 1e-3f);
		EXPECT_NEAR(highest, base + 1.0f, 1e-3f);
	}

	TEST(Hover, SetPosOverDifferentGroundStartsANewSettlingButNotOverTheSameGround)
	{
		// (new position, settles again, settled height)
		const struct { Tuple3f to; bool settlesAgain; float settled; } cases[] = {
			{Tuple3f(30, 4, 0), true, 5.0f},
			{Tuple3f(5, 4, 0), false, 2.0f},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			world.AddFloor(0.0f);
			world.AddSlab(Tuple3f(30, 2.5f, 0), Tuple3f(4, 1, 4));
			const Object hover = world.AddMoving(Hover::TypeId(), HoverValues(4.0f), Tuple3f(0, 5, 0));
			SettleFrames(world, hover);
			hover.SendMessage(Message("SetPos").Push(c.to));
			EXPECT_EQ(MotionWorld::Of<Hover>(hover).IsSettling(), c.settlesAgain);
			SettleFrames(world, hover);
			EXPECT_NEAR(MotionWorld::Of<Hover>(hover).GetBaseHeight(), c.settled, 0.01f);
		}
	}

	TEST(Hover, DoesNothingWithoutAPositivePeriodOrWhilePhysicsIsPausedAndEndsASettlingStepOnTheTarget)
	{
		const struct { float period; bool paused; } still[] = {{0.0f, false}, {-1.0f, false}, {4.0f, true}};
		for (const auto& c : still)
		{
			MotionWorld world;
			const Object hover = world.AddLogic(Hover::TypeId(), HoverValues(c.period), Tuple3f(0, 5, 0));
			MotionWorld::PausePhysics(c.paused);
			world.Frame(30);
			EXPECT_EQ(MotionWorld::PositionOf(hover).y, 5.0f) << c.period;
		}
		// A step of 2 / 0.5 x 0.016 = 0.064 would jump across the 0.01 band for ever.
		MotionWorld world;
		const Object hover = world.AddLogic(Hover::TypeId(), HoverValues(0.5f), Tuple3f(0, 5, 0));
		EXPECT_LT(SettleFrames(world, hover), 100u);
		EXPECT_NEAR(MotionWorld::Of<Hover>(hover).GetBaseHeight(), 2.0f, 0.01f);
	}
}
