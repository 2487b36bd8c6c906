// DeathClock: removes its object after totalTimeToLive seconds of physics steps of its own.
// "PauseClock"(bool) stops and resumes the count; "RestartClock" refills it.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

struct __DeathClockName
{
	static constexpr const char* name = "DeathClock";
};

class DeathClock : public QuietComponent<DeathClock, __DeathClockName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

private:
	void OnPauseClock(Message::Reader reader);
	void OnRestartClock(Message::Reader reader);

	float totalTimeToLive = 0.0f;
	float remaining = 0.0f;
	bool paused = false;
};
