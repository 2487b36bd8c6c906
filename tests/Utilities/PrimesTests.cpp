#include "Utilities/Primes.h"

#include <gtest/gtest.h>

TEST(Primes, NextPrimeKnownValues)
{
	const struct
	{
		std::uint32_t n;
		std::uint32_t expected;
	} cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 5}, {23, 23}, {46, 47}, {4098, 4099}, {4100, 4111}};
	for (const auto& testCase : cases)
		EXPECT_EQ(tw::NextPrime(testCase.n), testCase.expected) << "n = " << testCase.n;
}
