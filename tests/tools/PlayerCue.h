// Cues for an end-to-end test's player script: the game leaves an empty file of the cue's name in
// its working folder, which the script shares, when something the script waits for has happened,
// so that the script acts on the game's progress rather than on guessed delays (a loaded machine
// can take seconds to load a level or to breathe a crate in).
#pragma once

#include <fstream>

namespace test
{
	inline void LeaveCue(const char* name)
	{
		std::ofstream cue(name);
	}
}
