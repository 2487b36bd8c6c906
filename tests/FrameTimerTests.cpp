#include "FrameTimer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{
	TEST(FrameTimer, FrameTimeIsTheLastFinishedFramesLengthInSecondsCappedAtOneFifteenth)
	{
		const struct
		{
			std::uint32_t start;
			std::uint32_t end;
			double expected;
		} cases[] = {
			{1000, 1000, 0.0},
			{1000, 1066, 0.066},
			{1000, 1067, FrameTimer::kMaxFrameTime},
			{1000, 61000, FrameTimer::kMaxFrameTime},
			// The millisecond clock wrapped around during the frame.
			{0xFFFFFFF0u, 0x00000010u, 0.032},
		};
		for (const auto& test : cases)
		{
			std::uint32_t now = test.start;
			FrameTimer timer([&now] { return now; });
			EXPECT_EQ(timer.GetFrameTime(), 0.0);
			timer.StartFrame();
			now = test.end;
			timer.EndFrame();
			EXPECT_DOUBLE_EQ(timer.GetFrameTime(), test.expected) << test.start << " to " << test.end;
			// During the next frame the finished one's length holds.
			timer.StartFrame();
			now += 25;
			EXPECT_DOUBLE_EQ(timer.GetFrameTime(), test.expected);
		}
	}
}
