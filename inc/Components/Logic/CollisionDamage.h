// CollisionDamage: its object is hurt by heavy, fast bodies. On "Collision" it sends its own object
// "Damage" growing with the momentum of the other object's main body, from 0 at minVelocity to
// maxDamage at maxVelocity; GHOST bodies do no harm.
#pragma once

#include "Components/Logic/DamageRange.h"
#include "Message.h"

struct __CollisionDamageName
{
	static constexpr const char* name = "CollisionDamage";
};

class CollisionDamage : public ImpactDamage<CollisionDamage, __CollisionDamageName>
{
public:
	// The "Collision" handler.
	void OnCollision(Message::Reader reader);
};
