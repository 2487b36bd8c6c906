// The game's random numbers: a seedable 15-bit linear congruential generator, so that every
// caller sees the 0..32767 range that game data and tuning were written for.
#pragma once

namespace tw
{
	constexpr int kRandMax = 32767;

	// The same generator with a state of its own, for draws that must not disturb the game's
	// shared sequence.
	class RandomSequence
	{
	public:
		explicit RandomSequence(unsigned seed) : state(seed) {}
		// The next number in [0, kRandMax].
		int Next();

	private:
		unsigned state;
	};

	// Returns the next number in [0, kRandMax].
	int Rand();
	void SeedRand(unsigned seed);
}
