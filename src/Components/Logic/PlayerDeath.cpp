#include "Components/Logic/PlayerDeath.h"

#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Logic/Logic.h"

bool PlayerDeath::Start()
{
	dying = false;
	owner->RegisterHandler("Death", &PlayerDeath::OnDeath);
	return true;
}

bool PlayerDeath::Update()
{
	if (dying && Logic::GameMilliseconds() - deathTime >= kRestartDelay)
	{
		dying = false;
		Engine::SendMessage(Message("PrevLevel"));
	}
	return true;
}

void PlayerDeath::OnDeath(Message::Reader)
{
	if (dying)
		return;
	dying = true;
	deathTime = Logic::GameMilliseconds();
	// The display's page says what happened and that the level starts again.
	ObjectFromName("PlayerHudObj").SendMessage(Message("CallJSFunction").PushString("ShowDeath(); void(0);"));
}
