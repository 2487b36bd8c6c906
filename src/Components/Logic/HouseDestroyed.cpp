#include "Components/Logic/HouseDestroyed.h"

#include "Composition.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Utilities/JavaScript.h"

namespace
{
	int totalHouses = 0;
	int housesDestroyed = 0;
}

int TotalHouses()
{
	return totalHouses;
}

int HousesDestroyed()
{
	return housesDestroyed;
}

namespace
{
	// Pages show the counts of the level's houses.
	[[maybe_unused]] const bool houseCountersRegistered =
		RegisterJSGlobalFunction(&TotalHouses, "TotalHouses") && RegisterJSGlobalFunction(&HousesDestroyed, "HousesDestroyed");
}

bool HouseDestroyed::Load(Serializer& serializer)
{
	serializer.Read(destroyMessage);
	serializer.Read(particlesSpawned);
	return true;
}

bool HouseDestroyed::Serialize(Serializer& serializer)
{
	serializer.Write("destroyMessage", destroyMessage);
	serializer.Write("particlesSpawned", particlesSpawned);
	return true;
}

bool HouseDestroyed::Start()
{
	// A house counts once however often it starts, so its Detach can take back exactly what it added.
	if (!started)
		++totalHouses;
	started = true;
	if (destroyed)
		--housesDestroyed;
	destroyed = false;
	owner->RegisterHandler(destroyMessage, &HouseDestroyed::OnDestroy);
	if (ObjectGroup* group = owner->GetGroup())
		group->SendMessage(Message("IncreaseSpawnerDestroyers"));
	return true;
}

void HouseDestroyed::OnDestroy(Message::Reader)
{
	if (destroyed)
		return;
	// Set first: a group explosion that damages the house again sends the destroy message back
	// while the messages below are still going out.
	destroyed = true;
	if (ObjectGroup* group = owner->GetGroup())
	{
		group->SendMessage(Message("DestroySpawner"));
		group->SendMessage(Message("ParticleBurst").PushString("Main").PushU32(kBurstParticles));
		group->SendMessage(Message("Explode"));
	}
	owner->HandleMessage(Message("HouseDestroyed"));
	owner->HandleMessage(Message("CastleDestroyed"));
	++housesDestroyed;
	ObjectFromName("Player").SendMessage(Message("HouseDestroyed"));
	ObjectFromName("PlayerHud").SendMessage(Message(destroyMessage));
}

void HouseDestroyed::Detach()
{
	if (started)
		--totalHouses;
	if (destroyed)
		--housesDestroyed;
	started = false;
	destroyed = false;
}
