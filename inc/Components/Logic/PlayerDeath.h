// PlayerDeath: when its object dies ("Death"), the heads-up display says so at once, and a few
// seconds of game time later the game goes back to the level the current level names as its
// previous one ("PrevLevel" engine-wide). The wait gives the player time to read why the level
// starts again; the display goes with the level.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <cstdint>

struct __PlayerDeathName
{
	static constexpr const char* name = "PlayerDeath";
};

class PlayerDeath : public QuietComponent<PlayerDeath, __PlayerDeathName>
{
public:
	// Game time, in milliseconds, from the death to the level's restart.
	static constexpr std::uint32_t kRestartDelay = 3000;

	bool Start() override;
	bool Update() override;

private:
	void OnDeath(Message::Reader reader);

	bool dying = false;
	std::uint32_t deathTime = 0;
};
