#include "Utilities/Timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(Timer, StartsNearZeroAndAdvances)
{
	uint32_t first = GetElapsedMilliseconds();
	EXPECT_LT(first, 1000u);
	std::this_thread::sleep_for(std::chrono::milliseconds(20));
	uint32_t later = GetElapsedMilliseconds();
	EXPECT_GE(later - first, 15u);
	EXPECT_GE(GetElapsedMillisecondsNoInit(), later);
}
