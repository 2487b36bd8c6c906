// BossSFX: the boss's sounds: damage, summoning, cyclone and ragdoll cries on the shared boss
// channel, and the sounds of its throw, idle and walk animations on its own channel. Both
// channels move with the boss every frame.
#pragma once

#include "Components/Sound/TableSound.h"
#include "Message.h"

struct __BossSFXName
{
	static constexpr const char* name = "BossSFX";
};

class BossSFX : public TableSound<BossSFX, __BossSFXName>
{
public:
	bool Start() override;
	// Moves the boss channel and the animation channel to the boss.
	bool Update() override;

	snd::Channel channel;

private:
	void OnDamage(Message::Reader reader);
	void OnSummonScraps(Message::Reader reader);
	void OnCyclone(Message::Reader reader);
	void OnRagdoll(Message::Reader reader);
	void OnSetAnimation(Message::Reader reader);
	void PlayCry(const char* name);
};
