#include "FrameTimer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
	// A clock that only moves when a test moves it or the timer sleeps, recording each sleep.
	struct FakeClock
	{
		explicit FakeClock(std::uint32_t start) : now(start) {}

		std::uint32_t now;
		std::vector<std::uint32_t> sleeps;

		FrameTimer::Clock Use()
		{
			return {[this] { return now; }, [this](std::uint32_t milliseconds) {
						sleeps.push_back(milliseconds);
						now += milliseconds;
					}};
		}
	};

	TEST(FrameTimer, FrameTimeIsTheLastFinishedFramesLengthInSecondsCappedAtOneFifteenth)
	{
		const struct
		{
			std::uint32_t start;
			std::uint32_t end;
			double expected;
		} cases[] = {
			{1000, 1016, 0.016},
			{1000, 1066, 0.066},
			{1000, 1067, FrameTimer::kMaxFrameTime},
			{1000, 61000, FrameTimer::kMaxFrameTime},
			// The millisecond clock wrapped around during the frame.
			{0xFFFFFFF0u, 0x00000010u, 0.032},
		};
		for (const auto& test : cases)
		{
			FakeClock clock{test.start};
			FrameTimer timer(clock.Use());
			EXPECT_EQ(timer.GetFrameTime(), 0.0);
			timer.StartFrame();
			clock.now = test.end;
			timer.EndFrame();
			EXPECT_DOUBLE_EQ(timer.GetFrameTime(), test.expected) << test.start << " to " << test.end;
			// During the next frame the finished one's length holds.
			timer.StartFrame();
			clock.now += 25;
			EXPECT_DOUBLE_EQ(timer.GetFrameTime(), test.expected);
		}
	}

	TEST(FramePacing, AFrameThatEndsEarlySleepsTheRestOfItsSixteenMilliseconds)
	{
		const struct
		{
			std::uint32_t start;
			std::uint32_t work; // milliseconds the frame's own work took
			std::vector<std::uint32_t> sleeps;
			double frameTime;
		} cases[] = {
			{1000, 0, {16}, 0.016},
			{1000, 1, {15}, 0.016},
			{1000, 15, {1}, 0.016},
			{1000, 16, {}, 0.016},
			{1000, 17, {}, 0.017},
			{1000, 40, {}, 0.040},
			// The clock wraps around during the frame, and during its sleep.
			{0xFFFFFFFEu, 5, {11}, 0.016},
			{0xFFFFFFF8u, 3, {13}, 0.016},
		};
		for (const auto& test : cases)
		{
			FakeClock clock{test.start};
			FrameTimer timer(clock.Use());
			timer.StartFrame();
			clock.now += test.work;
			timer.EndFrame();
			EXPECT_EQ(clock.sleeps, test.sleeps) << "work " << test.work;
			EXPECT_DOUBLE_EQ(timer.GetFrameTime(), test.frameTime) << "work " << test.work;
		}
	}

	TEST(FramePacing, AClockThatWakesLateMakesALongerFrameButNoSecondSleep)
	{
		std::uint32_t now = 500;
		unsigned sleeps = 0;
		FrameTimer timer({[&now] { return now; }, [&](std::uint32_t milliseconds) {
							  ++sleeps;
							  now += milliseconds + 3;
						  }});
		timer.StartFrame();
		now += 4;
		timer.EndFrame();
		EXPECT_EQ(sleeps, 1u);
		EXPECT_DOUBLE_EQ(timer.GetFrameTime(), 0.019);
	}
}
