#include "Utilities/Primes.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <string>

namespace
{
	constexpr std::uint32_t kLargestTablePrime = 4099;
	constexpr std::size_t kTablePrimeCount = 565;

	// Every prime from 2 to 4099, rising: trial division by them decides any number up to 4099 squared.
	consteval std::array<std::uint16_t, kTablePrimeCount> MakePrimeTable()
	{
		std::array<bool, kLargestTablePrime + 1> composite{};
		std::array<std::uint16_t, kTablePrimeCount> primes{};
		std::size_t found = 0;
		for (std::uint32_t candidate = 2; candidate <= kLargestTablePrime; ++candidate)
		{
			if (composite[candidate])
				continue;
			primes[found++] = static_cast<std::uint16_t>(candidate);
			for (std::uint32_t multiple = candidate * candidate; multiple <= kLargestTablePrime; multiple += candidate)
				composite[multiple] = true;
		}
		if (found != kTablePrimeCount)
			throw "prime table size";
		return primes;
	}

	constexpr std::array<std::uint16_t, kTablePrimeCount> kPrimeTable = MakePrimeTable();

	// For odd numbers above the table's largest prime.
	bool IsOddNumberPrime(std::uint64_t odd)
	{
		for (std::size_t index = 1; index < kPrimeTable.size(); ++index)
		{
			const std::uint64_t divisor = kPrimeTable[index];
			if (divisor * divisor > odd)
				return true;
			if (odd % divisor == 0)
				return false;
		}
		// Past 4099 squared the table runs out of divisors; returning such a number unchecked could
		// give a composite capacity, whose probe cycles miss slots and overwrite live ones.
		for (std::uint64_t divisor = kLargestTablePrime + 2; divisor * divisor <= odd; divisor += 2)
		{
			if (odd % divisor == 0)
				return false;
		}
		return true;
	}
}

namespace tw
{
	std::uint32_t NextPrime(std::uint32_t n)
	{
		if (n < 4)
			return n;

		std::uint64_t candidate = n | 1u;
		if (candidate <= kLargestTablePrime)
			return *std::lower_bound(kPrimeTable.begin(), kPrimeTable.end(), candidate);

		for (; candidate <= std::numeric_limits<std::uint32_t>::max(); candidate += 2)
		{
			if (IsOddNumberPrime(candidate))
				return static_cast<std::uint32_t>(candidate);
		}
		throw std::overflow_error("NextPrime: no 32-bit prime at or above " + std::to_string(n));
	}
}
