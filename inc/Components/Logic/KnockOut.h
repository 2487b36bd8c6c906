// KnockOut: shows the "Stars" particles while its object lies knocked out. A "Ragdoll"(true) that
// finds the object up and alive bursts particleBurst stars; "Ragdoll"(false) and "Death" clear them.
// Its handlers exist as soon as it is loaded.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

struct __KnockOutName
{
	static constexpr const char* name = "KnockOut";
};

class KnockOut : public QuietComponent<KnockOut, __KnockOutName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

private:
	void OnRagdoll(Message::Reader reader);
	void OnDeath(Message::Reader reader);
	void ClearStars();

	unsigned particleBurst = 0;
	bool ragdolled = false;
	bool dead = false;
};
