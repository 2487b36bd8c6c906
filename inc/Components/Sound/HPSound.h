// HPSound: the player character's sounds of its own actions and state: gulping what it sucks in
// (with that object's own "Swallowed" cry), blowing, sucking, spitting, shooting, damage, a
// destroyed house, and panting in a loop while its health is low. They play on listener channels
// shared by every HPSound, heard at the listener.
#pragma once

#include "Components/Sound/TableSound.h"
#include "Message.h"

struct __HPSoundName
{
	static constexpr const char* name = "HPSound";
};

class HPSound : public TableSound<HPSound, __HPSoundName>
{
public:
	bool Start() override;

private:
	void OnAddObject(Message::Reader reader);
	void OnFireObject(Message::Reader reader);
	void OnHouseDestroyed(Message::Reader reader);
	void OnBlow(Message::Reader reader);
	void OnSuck(Message::Reader reader);
	void OnDamage(Message::Reader reader);
	void OnHealthPercentage(Message::Reader reader);
	void OnDeath(Message::Reader reader);
	void OnPlaceObject(Message::Reader reader);
	// An action sound, dropped while the action channel plays.
	void PlayAction(const char* name);
};
