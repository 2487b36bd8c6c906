// Ambience: a level's looping background sound. Each entry (name, file, volume) is streamed from
// disk into the Sound system's ambience table under its name; the last entry starts playing as the
// component loads, in the track group ("MusicVolume"). "PauseLevelTrack" pauses and resumes it.
#pragma once

#include "Components/Sound/LevelTrack.h"

#include <string>
#include <vector>

struct __AmbienceName
{
	static constexpr const char* name = "Ambience";
};

class Ambience : public LevelTrack<Ambience, __AmbienceName>
{
public:
	struct Record
	{
		std::string name;
		std::string file;
		float volume = 1.0f;
	};

	// Triples of "Name", "Filename", "Volume"; every entry's stream is made, the last one plays.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

	// Kept only to write the component back.
	std::vector<Record> records;
};
