// AudioEvent: the sounds of a level prop, played at the prop on its messages: an explosion, a
// rotating part at full turn, a catapult going on and off, progress towards an objective and its
// completion, and once a creation sound at the first update after it started.
#pragma once

#include "Components/Sound/TableSound.h"
#include "Message.h"

struct __AudioEventName
{
	static constexpr const char* name = "AudioEvent";
};

class AudioEvent : public TableSound<AudioEvent, __AudioEventName>
{
public:
	bool Start() override;
	// Plays "OnCreation" the first time it is updated.
	bool Update() override;

	snd::Channel mainChannel;
	snd::Channel rotateChannel;
	snd::Channel catapultChannel;
	bool creationPlayed = false;

private:
	void OnExplode(Message::Reader reader);
	void OnRotate(Message::Reader reader);
	void OnCatapultOn(Message::Reader reader);
	void OnCatapultOff(Message::Reader reader);
	void OnObjectiveProgress(Message::Reader reader);
	void OnObjectiveComplete(Message::Reader reader);
	void PlayOnCreation();
};
