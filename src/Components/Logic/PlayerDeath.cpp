#include "Components/Logic/PlayerDeath.h"

#include "Components/Logic/Lungs.h"
#include "Components/Logic/Objectives.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Input.h"
#include "Systems/Logic/Logic.h"

bool PlayerDeath::PlayerIsOut()
{
	const Object player = ObjectFromName(Input::kPlayerName);
	if (player.IsDummy())
		return false;
	const PlayerDeath* death = player.object->GetComponent<PlayerDeath>();
	return death != nullptr && death->dying;
}

bool PlayerDeath::Start()
{
	dying = false;
	damageShut = false;
	restartAsked = false;
	owner->RegisterHandler("Death", &PlayerDeath::OnDeath);
	return true;
}

bool PlayerDeath::Update()
{
	if (!dying)
		return true;
	if (!damageShut)
	{
		damageShut = true;
		owner->DropHandlers("Damage", owner->GetId());
	}
	if (!restartAsked && RestartDue())
	{
		restartAsked = true;
		Engine::SendMessage(Message("PrevLevel"));
	}
	return true;
}

bool PlayerDeath::RestartDue() const
{
	if (Logic::GameMilliseconds() - deathTime < kRestartDelay)
		return false;
	// A change asked for earlier in this frame would be replaced by the restart.
	if (const Engine* engine = Engine::Instance(); engine != nullptr && engine->GetRequestedState() != Engine::kRunning)
		return false;
	// Goals met before the death have earned what the level sends for them, the next level as a rule.
	const Objectives* objectives = owner->GetComponent<Objectives>();
	return objectives == nullptr || !objectives->OwesMessages();
}

void PlayerDeath::OnDeath(Message::Reader)
{
	if (dying)
		return;
	dying = true;
	deathTime = Logic::GameMilliseconds();
	// The display's page says what happened and that the level starts again.
	ObjectFromName("PlayerHudObj").SendMessage(Message("CallJSFunction").PushString("ShowDeath(); void(0);"));
	RestControls();
	if (Objectives* objectives = owner->GetComponent<Objectives>())
		objectives->StopCounting();
}

void PlayerDeath::RestControls() const
{
	Engine::SendMessage(Message("PlayerKnockedOut"));
	owner->HandleMessage(Message("SetSucking").PushBool(false));
	owner->HandleMessage(Message("SetLungState").PushU32(Lungs::kRest));
	owner->HandleMessage(Message("Release"));
}
