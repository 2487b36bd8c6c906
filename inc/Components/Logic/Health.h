// Health: the hit points of a game object. It takes "Damage" (int amount, optional world position
// the damage came from) and "Heal" (int), and announces on its object what follows: "Ragdoll" and
// "RevaluateBehavior" for a heavy hit, "HealthPercentage", "DamageTaken" and, once per start,
// "Death". After a counted hit it ignores further hits for invulnerableTime milliseconds.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <cstdint>

struct __HealthName
{
	static constexpr const char* name = "Health";
};

class Health : public QuietComponent<Health, __HealthName>
{
public:
	Health();

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

	int GetHealth() const { return health; }
	unsigned GetMaxHealth() const { return maxHealth; }
	bool IsDead() const { return dead; }
	// What a "Damage" does, for a caller holding the component: source is where the damage came
	// from, when known.
	void TakeDamage(int amount, const Tuple3f* source);

private:
	void OnDamage(Message::Reader reader);
	void OnHeal(Message::Reader reader);
	// health / maxHealth; 0 when maxHealth is 0.
	float Percentage() const;

	unsigned maxHealth = 0;
	int health = 0;
	int ragdollThreshold = 1;
	unsigned invulnerableTime = 0;
	bool dead = false;
	std::uint32_t lastDamageTime = 0;
};
