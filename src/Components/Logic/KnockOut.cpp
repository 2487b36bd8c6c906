#include "Components/Logic/KnockOut.h"

#include "Composition.h"
#include "Serializer.h"

namespace
{
	const char* const kStars = "Stars";
}

bool KnockOut::Load(Serializer& serializer)
{
	serializer.Read(particleBurst);
	ragdolled = false;
	dead = false;
	owner->RegisterHandler("Ragdoll", &KnockOut::OnRagdoll);
	owner->RegisterHandler("Death", &KnockOut::OnDeath);
	return true;
}

bool KnockOut::Serialize(Serializer& serializer)
{
	serializer.Write("particleBurst", particleBurst);
	return true;
}

void KnockOut::OnRagdoll(Message::Reader reader)
{
	const bool on = reader.Read<bool>();
	if (!on)
		ClearStars();
	else if (!ragdolled && !dead)
		owner->HandleMessage(Message("ParticleBurst").PushString(kStars).PushU32(particleBurst));
	ragdolled = on;
}

void KnockOut::OnDeath(Message::Reader)
{
	dead = true;
	ClearStars();
}

void KnockOut::ClearStars()
{
	owner->HandleMessage(Message("ParticleClear").PushString(kStars));
}
