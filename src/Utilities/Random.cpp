#include "Utilities/Random.h"

namespace
{
	tw::RandomSequence shared(1);
}

namespace tw
{
	int RandomSequence::Next()
	{
		state = state * 214013u + 2531011u;
		return static_cast<int>((state >> 16) & 0x7fffu);
	}

	int Rand()
	{
		return shared.Next();
	}

	void SeedRand(unsigned seed)
	{
		shared = RandomSequence(seed);
	}
}
