// Cues for an end-to-end test's player script: the game leaves an empty file of the cue's name in
// its working folder, which the script shares, when something the script waits for has happened,
// so that the script acts on the game's progress rather than on guessed delays (a loaded machine
// can take seconds to load a level or to breathe a crate in).
#pragma once

#include "System.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace test
{
	inline void LeaveCue(const char* name)
	{
		std::ofstream cue(name);
	}

	struct FrameCounterName
	{
		static constexpr const char* name = "FrameCounter";
	};

	// Keeps the count of frames the game has run in the file "frames", replaced whole at the end of
	// every frame: a script that waits for some of the game's time waits for frames (the world takes
	// one fixed step a frame), which a loaded machine slows down but never shortens.
	class FrameCounter : public SystemBase<FrameCounter, FrameCounterName>
	{
	public:
		FrameCounter() { reloadOnLevelChange = false; }
		void LoadConfig(Config&) override {}
		void Initialize() override {}
		void Update() override
		{
			{
				std::ofstream count("frames.new");
				count << ++frames << '\n';
			}
			std::rename("frames.new", "frames");
		}
		void Shutdown() override {}

	private:
		unsigned long frames = 0;
	};
}
