// MusicTrack: a level's music. Its table's entries are looping streams; the one named "StartTrack"
// starts as soon as the component is loaded, in the Sound system's track group ("MusicVolume").
// "PauseLevelTrack" pauses and resumes the track, "ChangeMusic" switches to another named track.
#pragma once

#include "Components/Sound/LevelTrack.h"
#include "Components/Sound/SoundTable.h"
#include "Message.h"

struct __MusicTrackName
{
	static constexpr const char* name = "MusicTrack";
};

class MusicTrack : public LevelTrack<MusicTrack, __MusicTrackName>
{
public:
	// The table as streams, then "StartTrack" (nothing plays without it).
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// The level track's handlers and "ChangeMusic".
	bool Start() override;

	SoundTable table;

private:
	void StartLevelTrack();
	void OnChangeMusic(Message::Reader reader);
};
