// LevelTrack: what the two components that play a level's looping track (MusicTrack, Ambience)
// share: the channel of the track, silenced at once when the component goes, and the pause flag
// that "PauseLevelTrack" toggles. Start sets the flag while the track plays, so the first
// "PauseLevelTrack" after starting leaves the track playing. "PlayTrack" is read and ignored.
#pragma once

#include "Component.h"
#include "Components/Sound/SoundTable.h"
#include "Composition.h"
#include "Message.h"

#include <string>

template <class T, class NameTag>
class LevelTrack : public ComponentBase<T, NameTag>
{
public:
	// Arms "PlayTrack" and "PauseLevelTrack" and joins the Sound system's update.
	bool Start() override
	{
		this->owner->template RegisterHandler<T>("PlayTrack", &LevelTrack::OnPlayTrack);
		this->owner->template RegisterHandler<T>("PauseLevelTrack", &LevelTrack::OnPauseLevelTrack);
		trackPaused = true;
		SoundTable::JoinUpdates(this->owner->GetId());
		return true;
	}
	bool Update() override
	{
		return true;
	}
	void Detach() override
	{
		SoundTable::LeaveUpdates(this->owner->GetId());
		channel.stop();
	}

	bool trackPaused = false;
	snd::Channel channel;

private:
	void OnPlayTrack(Message::Reader reader)
	{
		reader.Read<std::string>();
	}
	void OnPauseLevelTrack(Message::Reader)
	{
		trackPaused = !trackPaused;
		channel.setPaused(trackPaused);
	}
};
