// Lungs: the player's breath. The capacity refills towards baseCapacity at rest, towards
// maxCapacity while breathing in, and is spent in one burst on breathing out, which sends
// "StartGust" (for the Blow and the AirJump) with a strength from how full the lungs were. It also
// drives the field of view, the breath bar and the breath particles by messages to its object.
// "SetLungState" picks the state: 0 rest, 1 inhale, 2 release, 3 place.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

struct __LungsName
{
	static constexpr const char* name = "Lungs";
};

class Lungs : public QuietComponent<Lungs, __LungsName>
{
public:
	enum State : unsigned
	{
		kRest = 0,
		kInhale = 1,
		kRelease = 2,
		kPlace = 3,
	};

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	// The script-visible fields ("burstMultiplier" is burstStrengthMultiplier).
	float standardRegenRate = 0.0f;
	float inhaleRegenRate = 0.0f;
	float asymptoteRegenMod = 1.0f;
	float curCapacity = 0.0f;
	float baseCapacity = 0.0f;
	float maxCapacity = 1.0f;
	unsigned state = kRest;
	float burstStrengthMultiplier = 1.0f;

private:
	void OnSetLungState(Message::Reader reader);
	void Refill(double rate, float ceiling);
	void Release();
	void Burst(double t) const;
	// curCapacity over maxCapacity; 0 while maxCapacity is not positive.
	double Ratio() const;
	bool BlowIsFull() const;
	void SendSuckParticles(bool on) const;

	unsigned minParticles = 0;
	unsigned maxParticles = 0;
	float minParticleLife = 0.0f;
	float maxParticleLife = 0.0f;
	Tuple3f minParticleScale;
	Tuple3f maxParticleScale;
};
