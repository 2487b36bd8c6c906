// PlayerDeath: when its object dies ("Death"), the game goes back to the level the current level
// names as its previous one ("PrevLevel" engine-wide).
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

struct __PlayerDeathName
{
	static constexpr const char* name = "PlayerDeath";
};

class PlayerDeath : public QuietComponent<PlayerDeath, __PlayerDeathName>
{
public:
	bool Start() override;

private:
	void OnDeath(Message::Reader reader);
};
