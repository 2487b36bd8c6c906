#include "Components/Logic/RagdollDeath.h"

#include "Components/Logic/GameplayRules.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"

RagdollDeath::RagdollDeath() : deathTime(Logic::GameMilliseconds())
{
}

bool RagdollDeath::Load(Serializer& serializer)
{
	serializer.Read(Lifetime);
	return true;
}

bool RagdollDeath::Serialize(Serializer& serializer)
{
	serializer.Write("Lifetime", Lifetime);
	return true;
}

bool RagdollDeath::Start()
{
	paused = false;
	dead = false;
	owner->RegisterHandler("Death", &RagdollDeath::OnDeath);
	owner->RegisterHandler("PauseClock", &RagdollDeath::OnPauseClock);
	owner->RegisterHandler("RestartClock", &RagdollDeath::OnRestartClock);
	return true;
}

bool RagdollDeath::Update()
{
	if (!paused && dead && Logic::GameMilliseconds() - deathTime > SecondsToMilliseconds(Lifetime))
		owner->Destroy();
	return true;
}

void RagdollDeath::OnDeath(Message::Reader)
{
	if (dead)
		return;
	owner->RemoveComponent("TeamDamage");
	owner->HandleMessage(Message("Ragdoll").PushBool(true));
	dead = true;
	deathTime = Logic::GameMilliseconds();
}

void RagdollDeath::OnPauseClock(Message::Reader reader)
{
	reader.Read(paused);
}

void RagdollDeath::OnRestartClock(Message::Reader)
{
	deathTime = Logic::GameMilliseconds();
}
