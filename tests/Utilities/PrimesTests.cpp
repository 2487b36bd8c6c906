#include "Utilities/Primes.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace
{
	bool IsPrimeByTrialDivision(std::uint64_t n)
	{
		for (std::uint64_t divisor = 2; divisor * divisor <= n; ++divisor)
			if (n % divisor == 0)
				return false;
		return n >= 2;
	}
}

TEST(Primes, NextPrimeKnownValuesAndOverflow)
{
	const struct
	{
		std::uint32_t n;
		std::uint32_t expected;
	} cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 5}, {23, 23}, {46, 47}, {4098, 4099}, {4100, 4111},
		// 16801803 = 3 x 5600601: the first number past the prime table's squared reach.
		{16801802, 16801819}, {4294967291u, 4294967291u}};
	for (const auto& c : cases)
		EXPECT_EQ(tw::NextPrime(c.n), c.expected) << "n = " << c.n;
	// No 32-bit prime lies above the largest.
	EXPECT_THROW(tw::NextPrime(4294967292u), std::overflow_error);
	EXPECT_THROW(tw::NextPrime(0xFFFFFFFFu), std::overflow_error);
}

TEST(Primes, NextPrimeIsTheSmallestPrimeAtOrAbove)
{
	std::mt19937 random(7);
	for (const std::uint32_t range : {5000u, 16801801u, 100000000u, 0xFFFFFF00u})
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
