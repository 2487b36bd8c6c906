#include "Components/Logic/PlayerDeath.h"

#include "Components/Logic/Lungs.h"
#include "Components/Logic/Objectives.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Input.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/Diagnostics.h"

namespace
{
	void ShowOnDisplay(const char* script)
	{
		ObjectFromName("PlayerHudObj").SendMessage(Message("CallJSFunction").PushString(script));
	}
}

bool PlayerDeath::PlayerIsOut()
{
	const Object player = ObjectFromName(Input::kPlayerName);
	if (player.IsDummy())
		return false;
	const PlayerDeath* death = player.object->GetComponent<PlayerDeath>();
	return death != nullptr && death->knockedOut;
}

bool PlayerDeath::Start()
{
	dying = false;
	knockedOut = false;
	damageShut = false;
	owner->RegisterHandler("Death", &PlayerDeath::OnDeath);
	return true;
}

bool PlayerDeath::Update()
{
	if (knockedOut && !damageShut)
	{
		damageShut = true;
		owner->DropHandlers("Damage", owner->GetId());
	}
	if (dying && RestartDue())
	{
		dying = false;
		Engine::SendMessage(Message("PrevLevel"));
		// A refused change leaves the request as it was: the level goes on.
		const Engine* engine = Engine::Instance();
		if (engine == nullptr || engine->GetRequestedState() == Engine::kRunning)
			PlayOn();
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
	if (dying || knockedOut)
		return;
	dying = true;
	deathTime = Logic::GameMilliseconds();
	// The display's page says what happened and that the level starts again.
	if (!IsThePlayer())
	{
		ShowOnDisplay("ShowNews('The level starts again.'); void(0);");
		return;
	}
	ShowOnDisplay("ShowDeath(); void(0);");
	KnockOut();
}

bool PlayerDeath::IsThePlayer() const
{
	return ObjectFromName(Input::kPlayerName).object == owner;
}

void PlayerDeath::KnockOut()
{
	knockedOut = true;
	Engine::SendMessage(Message("PlayerKnockedOut").PushBool(true));
	owner->HandleMessage(Message("SetSucking").PushBool(false));
	owner->HandleMessage(Message("SetLungState").PushU32(Lungs::kRest));
	owner->HandleMessage(Message("Release"));
	if (Objectives* objectives = owner->GetComponent<Objectives>())
		objectives->StopCounting();
}

void PlayerDeath::PlayOn()
{
	const Engine* engine = Engine::Instance();
	tw::Diagnostics::Report("The restart after the death of \"" + owner->GetName() + "\" in level \""
		+ (engine != nullptr ? engine->GetCurrentLevel() : std::string()) + "\" was refused; the level goes on.");
	ShowOnDisplay("ShowRestartRefused(); void(0);");
	if (!knockedOut)
		return;
	knockedOut = false;
	Engine::SendMessage(Message("PlayerKnockedOut").PushBool(false));
	if (Objectives* objectives = owner->GetComponent<Objectives>())
		objectives->ResumeCounting();
}
