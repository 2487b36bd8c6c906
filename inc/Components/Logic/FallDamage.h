// FallDamage: its object is hurt by its own impact against a surface. On "Collision" it sends its
// own object "Damage" growing with its body's speed into the contact normal, from 0 at minVelocity
// to maxDamage at maxVelocity and beyond without cap; nothing while the object lies as a ragdoll.
#pragma once

#include "Components/Logic/DamageRange.h"
#include "Message.h"

struct __FallDamageName
{
	static constexpr const char* name = "FallDamage";
};

class FallDamage : public ImpactDamage<FallDamage, __FallDamageName>
{
public:
	// The "Collision" handler.
	void OnCollision(Message::Reader reader);
};
