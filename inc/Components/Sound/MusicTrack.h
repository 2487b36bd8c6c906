// MusicTrack: a level's music. Its table's entries are looping streams; the one named "StartTrack"
// starts as soon as the component is loaded, in the Sound system's track group ("MusicVolume").
// "PauseLevelTrack" pauses and resumes the track, "ChangeMusic" switches to another named track.
#pragma once

#include "Component.h"
#include "Components/Sound/SoundTable.h"
#include "Message.h"

struct __MusicTrackName
{
	static constexpr const char* name = "MusicTrack";
};

class MusicTrack : public ComponentBase<MusicTrack, __MusicTrackName>
{
public:
	// The table as streams, then "StartTrack" (nothing plays without it).
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Arms "PlayTrack", "PauseLevelTrack" and "ChangeMusic" and sets the pause flag: the first
	// "PauseLevelTrack" after starting therefore leaves the track playing.
	bool Start() override;
	bool Update() override;
	// Leaves the Sound system's update and silences the track at once.
	void Detach() override;

	bool paused = false;
	SoundTable table;
	snd::Channel channel;

private:
	void StartLevelTrack();
	void OnPlayTrack(Message::Reader reader);
	void OnPauseLevelTrack(Message::Reader reader);
	void OnChangeMusic(Message::Reader reader);
};
