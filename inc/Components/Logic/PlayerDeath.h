// PlayerDeath: when its object dies ("Death"), the heads-up display says so at once, and a few
// seconds of game time later the game goes back to the level the current level names as its
// previous one ("PrevLevel" engine-wide). The wait gives the player time to read why the level
// starts again; the display goes with the level. When the object is the player (the object the
// input bindings reach), it is out from the death to the restart: its controls rest
// ("PlayerKnockedOut" engine-wide stops the input bindings that reach it), it takes no damage, and
// no goal or win counts for it. A level change already due goes first. A restart the engine
// refuses (a previous level named outside the game's folders) leaves the level running, so the
// player gets up and plays on: its controls come back and goals and wins count again, while its
// spent health takes no more damage (it cannot die twice).
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

	// True from the death of the object named "Player" until its level goes or it gets up.
	static bool PlayerIsOut();

	bool Start() override;
	bool Update() override;

private:
	void OnDeath(Message::Reader reader);
	bool IsThePlayer() const;
	// The player's breath and controls rest, what it carries is let go, and no goal counts.
	void KnockOut();
	// The restart was refused: the level goes on, and a knocked-out player gets up: its controls,
	// goals and wins come back.
	void PlayOn();
	// True once the delay has run and no level change is due before the restart.
	bool RestartDue() const;

	// "Death" was heard and the restart is still to come.
	bool dying = false;
	bool knockedOut = false;
	// The player stopped hearing "Damage" (the frame after the death, so the fatal hit's own
	// effects, the sounds, shake and reticle that follow its delivery, still take place).
	bool damageShut = false;
	std::uint32_t deathTime = 0;
};
