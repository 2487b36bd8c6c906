#include "Utilities/Mutex.h"

#include <gtest/gtest.h>

#include <thread>

TEST(Mutex, TryLockIsExclusiveAcrossThreads)
{
	Mutex mutex;
	ASSERT_TRUE(mutex.TryLock());
	bool otherGotIt = true;
	std::thread([&] { otherGotIt = mutex.TryLock(); }).join();
	EXPECT_FALSE(otherGotIt);
	mutex.Unlock();
	std::thread([&] {
		otherGotIt = mutex.TryLock();
		if (otherGotIt)
			mutex.Unlock();
	}).join();
	EXPECT_TRUE(otherGotIt);
}
