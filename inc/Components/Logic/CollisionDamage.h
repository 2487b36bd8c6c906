// CollisionDamage: its object is hurt by heavy, fast bodies. On "Collision" it sends its own object
// "Damage" growing with the momentum of the other object's main body, from 0 at minVelocity to
// maxDamage at maxVelocity; GHOST bodies do no harm.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/DamageRange.h"
#include "Message.h"

struct __CollisionDamageName
{
	static constexpr const char* name = "CollisionDamage";
};

class CollisionDamage : public QuietComponent<CollisionDamage, __CollisionDamageName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

private:
	void OnCollision(Message::Reader reader);

	DamageRange range;
};
