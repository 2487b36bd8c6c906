#include "Utilities/Primes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>

namespace
{
	bool IsPrimeByTrialDivision(std::uint64_t n)
	{
		if (n < 2)
			return false;
		for (std::uint64_t divisor = 2; divisor * divisor <= n; ++divisor)
		{
			if (n % divisor == 0)
				return false;
		}
		return true;
	}
}

TEST(Primes, NextPrimeKnownValues)
{
	const struct
	{
		std::uint32_t n;
		std::uint32_t expected;
	} cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 5}, {23, 23}, {46, 47}, {4098, 4099}, {4100, 4111},
		// 16801803 = 3 x 5600601: the first number past the prime table's squared reach.
		{16801802, 16801819}, {4294967291u, 4294967291u}};
	for (const auto& testCase : cases)
		EXPECT_EQ(tw::NextPrime(testCase.n), testCase.expected) << "n = " << testCase.n;
}

TEST(Primes, CapacitySequenceIsPrimeAllTheWay)
{
	std::uint32_t capacity = 23;
	while (capacity < 0x7FFFFFFFu)
	{
		ASSERT_TRUE(IsPrimeByTrialDivision(capacity)) << capacity;
		capacity = tw::NextPrime(static_cast<std::uint32_t>(std::ceil(2.0f * static_cast<float>(capacity))));
	}
}

TEST(Primes, NextPrimeIsTheSmallestPrimeAtOrAbove)
{
	std::mt19937 random(7);
	const std::uint32_t ranges[] = {5000, 16801801, 100000000, 0xFFFFFF00u};
	for (const std::uint32_t range : ranges)
	{
		for (int sample = 0; sample < 200; ++sample)
		{
			const std::uint32_t n = 4 + random() % (range - 4);
			const std::uint32_t prime = tw::NextPrime(n);
			ASSERT_GE(prime, n);
			ASSERT_TRUE(IsPrimeByTrialDivision(prime)) << "NextPrime(" << n << ") = " << prime;
			for (std::uint64_t between = n; between < prime; ++between)
				ASSERT_FALSE(IsPrimeByTrialDivision(between)) << "NextPrime(" << n << ") skipped " << between;
		}
	}
}

TEST(Primes, NoThirtyTwoBitPrimeAboveTheLargestThrows)
{
	EXPECT_THROW(tw::NextPrime(4294967292u), std::overflow_error);
	EXPECT_THROW(tw::NextPrime(0xFFFFFFFFu), std::overflow_error);
}
