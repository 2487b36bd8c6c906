// DamageRange: the settings CollisionDamage and FallDamage share, read and written by one loader:
// below minVelocity a hit does no harm, at maxVelocity it deals maxDamage. ImpactDamage is their
// common base: the range as their stored form and their "Collision" handler bound at the start.
#pragma once

#include "Components/QuietComponent.h"
#include "Composition.h"

class Serializer;

struct DamageRange
{
	float minVelocity = 0.0f;
	float maxVelocity = 0.0f;
	int maxDamage = 0;

	void Load(Serializer& serializer);
	void Serialize(Serializer& serializer) const;
	// (speed - minVelocity) / (maxVelocity - minVelocity), unclamped; 1 when the range is empty
	// or reversed, so such settings deal maxDamage instead of dividing by zero.
	double Fraction(float speed) const;
	// maxDamage * fraction, truncated towards zero and clamped to the 32-bit range.
	int Damage(double fraction) const;
};

template <class T, class NameTag>
class ImpactDamage : public QuietComponent<T, NameTag>
{
public:
	bool Load(Serializer& serializer) override
	{
		range.Load(serializer);
		return true;
	}
	bool Serialize(Serializer& serializer) override
	{
		range.Serialize(serializer);
		return true;
	}
	bool Start() override
	{
		this->owner->RegisterHandler("Collision", &T::OnCollision);
		return true;
	}

protected:
	DamageRange range;
};
