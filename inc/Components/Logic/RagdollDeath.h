// RagdollDeath: a dying object ("Death") becomes a ragdoll without team damage and is removed once
// more than Lifetime seconds have passed. "PauseClock"(bool) holds the removal back (the clock runs
// on); "RestartClock" starts the lifetime again.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <cstdint>

struct __RagdollDeathName
{
	static constexpr const char* name = "RagdollDeath";
};

class RagdollDeath : public QuietComponent<RagdollDeath, __RagdollDeathName>
{
public:
	RagdollDeath();

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

private:
	void OnDeath(Message::Reader reader);
	void OnPauseClock(Message::Reader reader);
	void OnRestartClock(Message::Reader reader);

	bool dead = false;
	std::uint32_t deathTime = 0;
	float Lifetime = 0.0f;
	bool paused = false;
};
