#include "Utilities/SpinLock.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

TEST(SpinLock, KeepsUnsynchronisedUpdatesFromBeingLost)
{
	SpinLock lock;
	// Two words updated apart: without exclusion increments are lost and the words drift.
	long counter = 0, mirror = 0;
	std::vector<std::thread> threads;
	for (int thread = 0; thread < 8; ++thread)
		threads.emplace_back([&] {
			for (int step = 0; step < 100000; ++step)
			{
				std::lock_guard<SpinLock> guard(lock);
				++counter;
				mirror = counter;
			}
		});
	for (std::thread& thread : threads)
		thread.join();
	EXPECT_EQ(counter, 800000);
	EXPECT_EQ(mirror, counter);
}
