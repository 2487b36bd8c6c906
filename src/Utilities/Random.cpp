#include "Utilities/Random.h"

namespace
{
	unsigned randomState = 1;
}

namespace tw
{
	int Rand()
	{
		randomState = randomState * 214013u + 2531011u;
		return static_cast<int>((randomState >> 16) & 0x7fffu);
	}

	void SeedRand(unsigned seed)
	{
		randomState = seed;
	}
}
