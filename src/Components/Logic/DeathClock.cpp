#include "Components/Logic/DeathClock.h"

#include "Components/Logic/GameplayRules.h"
#include "Composition.h"
#include "Serializer.h"

bool DeathClock::Load(Serializer& serializer)
{
	serializer.Read(totalTimeToLive);
	return true;
}

bool DeathClock::Serialize(Serializer& serializer)
{
	serializer.Write("totalTimeToLive", totalTimeToLive);
	return true;
}

bool DeathClock::Start()
{
	remaining = totalTimeToLive;
	paused = false;
	owner->RegisterHandler("PauseClock", &DeathClock::OnPauseClock);
	owner->RegisterHandler("RestartClock", &DeathClock::OnRestartClock);
	return true;
}

bool DeathClock::Update()
{
	if (paused)
		return true;
	// The clock follows the simulation's step, not the measured frame time.
	remaining -= PhysicsTimeStep();
	if (remaining < 0.0f)
		owner->Destroy();
	return true;
}

void DeathClock::OnPauseClock(Message::Reader reader)
{
	reader.Read(paused);
}

void DeathClock::OnRestartClock(Message::Reader)
{
	remaining = totalTimeToLive;
}
