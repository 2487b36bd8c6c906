// DamageRange: the settings CollisionDamage and FallDamage share, read and written by one loader:
// below minVelocity a hit does no harm, at maxVelocity it deals maxDamage.
#pragma once

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
