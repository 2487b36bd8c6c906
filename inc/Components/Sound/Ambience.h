// Ambience: a level's looping background sound. Each entry (name, file, volume) is streamed from
// disk into the Sound system's ambience table under its name; the last entry starts playing as the
// component loads, in the track group ("MusicVolume"). "PauseLevelTrack" pauses and resumes it.
#pragma once

#include "Component.h"
#include "Message.h"
#include "SoundLibrary/Channel.h"

#include <string>
#include <vector>

struct __AmbienceName
{
	static constexpr const char* name = "Ambience";
};

class Ambience : public ComponentBase<Ambience, __AmbienceName>
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
	// Arms "PlayTrack" and "PauseLevelTrack" and sets the pause flag: the first "PauseLevelTrack"
	// after starting leaves the track playing.
	bool Start() override;
	bool Update() override;
	// Leaves the Sound system's update and silences the track at once.
	void Detach() override;

	bool trackPaused = false;
	snd::Channel channel;
	// Kept only to write the component back.
	std::vector<Record> records;

private:
	void OnPlayTrack(Message::Reader reader);
	void OnPauseLevelTrack(Message::Reader reader);
};
