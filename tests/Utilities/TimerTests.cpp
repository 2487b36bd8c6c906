#include "Utilities/Timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace
{
	// Exits with the number of the first check that fails, or 0.
	void CheckAFreshClock()
	{
		const auto check = [](bool condition, int code) { if (!condition) std::_Exit(code); };
		const uint32_t first = GetElapsedMilliseconds();
		check(first < 1000u, 1);
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
		const uint32_t later = GetElapsedMilliseconds();
		check(later - first >= 15u, 2);
		check(GetElapsedMillisecondsNoInit() >= later, 3);
		const auto beforeSleep = std::chrono::steady_clock::now();
		SleepMilliseconds(16);
		check(std::chrono::steady_clock::now() - beforeSleep >= std::chrono::milliseconds(16), 4);
		std::_Exit(0);
	}
}

// The clock starts at its first reading, which only a process that never read it can show: the
// checks run in a child that starts this program anew for this test alone.
TEST(Timer, StartsNearZeroAndAdvances)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(CheckAFreshClock(), ::testing::ExitedWithCode(0), "");
}
