#include "Utilities/Random.h"

#include <gtest/gtest.h>

TEST(Random, FifteenBitRangeAndReproducibleFromSeed)
{
	tw::SeedRand(1);
	// The classic sequence of this generator from seed 1.
	EXPECT_EQ(tw::Rand(), 41);
	EXPECT_EQ(tw::Rand(), 18467);
	EXPECT_EQ(tw::Rand(), 6334);
	int highest = 0;
	for (int i = 0; i < 100000; ++i)
		highest = std::max(highest, tw::Rand());
	EXPECT_LE(highest, tw::kRandMax);
	EXPECT_GT(highest, tw::kRandMax - 100);
}
