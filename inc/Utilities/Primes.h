// The prime sequence behind the hash tables' capacities: double hashing visits every slot only when
// the slot count is prime, so every capacity comes from NextPrime.
#pragma once

#include <cstdint>

namespace tw
{
	// The smallest prime at or above n. Numbers below 4 come back unchanged (0 and 1 included);
	// no capacity is ever that small. Throws std::overflow_error when no 32-bit prime is at or above n.
	std::uint32_t NextPrime(std::uint32_t n);
}
