#include "Components/Logic/DamageRange.h"

#include "Components/Logic/GameplayRules.h"
#include "Serializer.h"

void DamageRange::Load(Serializer& serializer)
{
	serializer.Read(minVelocity);
	serializer.Read(maxVelocity);
	serializer.Read(maxDamage);
}

void DamageRange::Serialize(Serializer& serializer) const
{
	serializer.Write("minVelocity", minVelocity);
	serializer.Write("maxVelocity", maxVelocity);
	serializer.Write("maxDamage", maxDamage);
}

double DamageRange::Fraction(float speed) const
{
	if (!(maxVelocity > minVelocity))
		return 1.0;
	return static_cast<float>((speed - minVelocity) / (maxVelocity - minVelocity));
}

int DamageRange::Damage(double fraction) const
{
	return ClampToInt(static_cast<double>(static_cast<float>(maxDamage * fraction)));
}
