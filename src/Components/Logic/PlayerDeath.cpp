#include "Components/Logic/PlayerDeath.h"

#include "Composition.h"
#include "Engine.h"

bool PlayerDeath::Start()
{
	owner->RegisterHandler("Death", &PlayerDeath::OnDeath);
	return true;
}

void PlayerDeath::OnDeath(Message::Reader)
{
	Engine::SendMessage(Message("PrevLevel"));
}
