#include "Utilities/MathCommon.h"

#include <gtest/gtest.h>

TEST(MathCommon, NextPowerOfTwoIsTheSmallestNotBelowTheMagnitudeAndSaturates)
{
	const struct
	{
		int n;
		int expected;
	} cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {-5, 8}, {640, 1024}, {1024, 1024}, {1025, 2048}, {1 << 29, 1 << 29},
		{(1 << 29) + 1, 1 << 30}, {1 << 30, 1 << 30}, {INT_MAX, 1 << 30}, {INT_MIN, 1 << 30}};
	for (const auto& c : cases)
		EXPECT_EQ(NextPowerOfTwo(c.n), c.expected) << "n = " << c.n;
}
