#include "FrameTimer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{
	TEST(FrameTimer, FrameTimeIsTheFramesLengthInSecondsCappedAtOneFifteenth)
	{
		struct Case
		{
			std::uint32_t start;
			std::uint32_t end;
			double expected;
		};
		const Case cases[] = {
			{1000, 1000, 0.0},
			{1000, 1040, 0.040},
			{1000, 1066, 0.066},
			{1000, 1067, FrameTimer::kMaxFrameTime},
			{1000, 1070, FrameTimer::kMaxFrameTime},
			{1000, 61000, FrameTimer::kMaxFrameTime},
			// The millisecond clock wrapped around during the frame.
			{0xFFFFFFF0u, 0x00000010u, 0.032},
		};
		for (const Case& test : cases)
		{
			std::uint32_t now = test.start;
			FrameTimer timer([&now] { return now; });
			EXPECT_EQ(timer.GetFrameTime(), 0.0);
			timer.StartFrame();
			EXPECT_EQ(timer.GetFrameStart(), test.start);
			now = test.end;
			timer.EndFrame();
			EXPECT_DOUBLE_EQ(timer.GetFrameTime(), test.expected) << test.start << " to " << test.end;
		}
	}

	TEST(FrameTimer, DuringAFrameTheLastFinishedFramesLengthHolds)
	{
		std::uint32_t now = 0;
		FrameTimer timer([&now] { return now; });
		timer.StartFrame();
		now = 25;
		timer.EndFrame();
		timer.StartFrame();
		now = 500;
		EXPECT_DOUBLE_EQ(timer.GetFrameTime(), 0.025);
		timer.EndFrame();
		EXPECT_DOUBLE_EQ(timer.GetFrameTime(), FrameTimer::kMaxFrameTime);

		const FrameTimer::Clock previous = timer.SetClock([] { return 7u; });
		EXPECT_EQ(previous(), 500u);
		timer.StartFrame();
		EXPECT_EQ(timer.GetFrameStart(), 7u);
	}
}
