#include "Components/Logic/Health.h"

#include "Components/Logic/GameplayRules.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"

#include <cstdint>

namespace
{
	// Named once: one blast damages a whole row of pieces in a frame.
	const MessageName kHealthPercentage("HealthPercentage");
	const MessageName kDamageTaken("DamageTaken");
}

Health::Health() : lastDamageTime(Logic::GameMilliseconds())
{
}

bool Health::Load(Serializer& serializer)
{
	serializer.Read(maxHealth);
	serializer.Read(invulnerableTime);
	serializer.Read(ragdollThreshold);
	health = ClampToInt(maxHealth);
	return true;
}

bool Health::Serialize(Serializer& serializer)
{
	serializer.Write("maxHealth", maxHealth);
	serializer.Write("invulnerableTime", invulnerableTime);
	serializer.Write("ragdollThreshold", ragdollThreshold);
	return true;
}

bool Health::Start()
{
	dead = false;
	// The invulnerability window also covers the first moments after the start.
	lastDamageTime = Logic::GameMilliseconds();
	owner->RegisterHandler("Damage", &Health::OnDamage);
	owner->RegisterHandler("Heal", &Health::OnHeal);
	return true;
}

float Health::Percentage() const
{
	return maxHealth == 0 ? 0.0f : static_cast<float>(health) / static_cast<float>(maxHealth);
}

void Health::OnDamage(Message::Reader reader)
{
	const int amount = reader.Read<int>();
	Tuple3f source;
	const bool hasSource = reader.HasMore() && reader.Read(source);
	TakeDamage(amount, hasSource ? &source : nullptr);
}

void Health::TakeDamage(int amount, const Tuple3f* source)
{
	// A heavy hit knocks the object over even while invulnerable or dead.
	if (amount >= ragdollThreshold)
	{
		owner->HandleMessage(Message("Ragdoll").PushBool(true));
		owner->HandleMessage(Message("RevaluateBehavior"));
	}
	const std::uint32_t now = Logic::GameMilliseconds();
	if (now - lastDamageTime <= invulnerableTime)
		return;
	// Saturating, so a huge hit cannot wrap the hit points round to full health.
	health = ClampToInt(static_cast<double>(health) - amount);
	lastDamageTime = now;
	Message percentage(kHealthPercentage);
	owner->HandleMessage(percentage.PushFloat(Percentage()));
	if (source != nullptr)
	{
		Message damageTaken(kDamageTaken);
		owner->HandleMessage(damageTaken.Push(*source));
	}
	if (health <= 0 && !dead)
	{
		dead = true;
		owner->HandleMessage(Message("Death"));
	}
}

void Health::OnHeal(Message::Reader reader)
{
	const std::int64_t sum = static_cast<std::int64_t>(health) + reader.Read<int>();
	// The sum is compared as an unsigned number: a sum below zero heals to full.
	health = static_cast<std::uint32_t>(sum) < maxHealth ? ClampToInt(static_cast<double>(sum)) : ClampToInt(maxHealth);
	const float percentage = Percentage();
	const Object hud = ObjectFromName("PlayerHudObj");
	if (!hud.IsDummy())
		hud.object->HandleMessage(Message("NewHealthPercentage").PushFloat(percentage));
	owner->HandleMessage(Message("HealthPercentage").PushFloat(percentage));
}
