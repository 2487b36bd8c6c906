#include "Components/Logic/Lungs.h"

#include "Components/Logic/Blow.h"
#include "Components/Logic/GameplayRules.h"
#include "Composition.h"
#include "FrameTimer.h"
#include "Object.h"
#include "Serializer.h"
#include "Utilities/v8/JSObject.h"

#include <cmath>
#include <limits>

namespace
{
	[[maybe_unused]] const bool lungsScriptClassRegistered = [] {
		JSObject<Lungs>::Bind("Lungs", 0)
			.AddMember("standardRegenRate", &Lungs::standardRegenRate)
			.AddMember("inhaleRegenRate", &Lungs::inhaleRegenRate)
			.AddMember("asymptoteRegenMod", &Lungs::asymptoteRegenMod)
			.AddMember("curCapacity", &Lungs::curCapacity)
			.AddMember("baseCapacity", &Lungs::baseCapacity)
			.AddMember("maxCapacity", &Lungs::maxCapacity)
			.AddMember("burstMultiplier", &Lungs::burstStrengthMultiplier);
		return true;
	}();

	// A breath at least this full bursts with burstStrengthMultiplier.
	constexpr double kBurstRatio = 0.99;

	double LerpBreath(double from, double to, double t)
	{
		return from + (to - from) * t;
	}

	// Computed in floating point and clamped, so a ratio below 0 or past the range gives no
	// wrapped-around count.
	unsigned ParticleCount(unsigned from, unsigned to, double t)
	{
		const double count = std::trunc(LerpBreath(from, to, t));
		if (!(count > 0.0))
			return 0;
		if (count >= static_cast<double>(std::numeric_limits<unsigned>::max()))
			return std::numeric_limits<unsigned>::max();
		return static_cast<unsigned>(count);
	}
}

bool Lungs::Load(Serializer& serializer)
{
	serializer.Read(standardRegenRate)
		.Read(inhaleRegenRate)
		.Read(asymptoteRegenMod)
		.Read(baseCapacity)
		.Read(maxCapacity)
		.Read(burstStrengthMultiplier)
		.Read(minParticleLife)
		.Read(maxParticleLife)
		.Read(minParticles)
		.Read(maxParticles)
		.Read(minParticleScale)
		.Read(maxParticleScale);
	curCapacity = baseCapacity;
	return true;
}

bool Lungs::Serialize(Serializer& serializer)
{
	serializer.Write("standardRegenRate", standardRegenRate)
		.Write("inhaleRegenRate", inhaleRegenRate)
		.Write("asymptoteRegenMod", asymptoteRegenMod)
		.Write("baseCapacity", baseCapacity)
		.Write("maxCapacity", maxCapacity)
		.Write("burstStrengthMultiplier", burstStrengthMultiplier)
		.Write("minParticleLife", minParticleLife)
		.Write("maxParticleLife", maxParticleLife)
		.Write("minParticles", minParticles)
		.Write("maxParticles", maxParticles)
		.Write("minParticleScale", minParticleScale)
		.Write("maxParticleScale", maxParticleScale);
	return true;
}

bool Lungs::Start()
{
	owner->RegisterHandler("SetLungState", &Lungs::OnSetLungState);
	const double ratio = Ratio();
	owner->HandleMessage(Message("SetFOVPercent").PushFloat(static_cast<float>(ratio * ratio)));
	ObjectFromName("PlayerHudObj").object->HandleMessage(Message("NewLungsPercentage").PushFloat(static_cast<float>(ratio)));
	return true;
}

bool Lungs::Update()
{
	if (LogicPaused())
		return true;
	switch (state)
	{
	case kRest:
		if (curCapacity < baseCapacity)
			Refill(standardRegenRate, baseCapacity);
		break;
	case kInhale:
		Refill(inhaleRegenRate, maxCapacity);
		break;
	case kRelease:
		Release();
		break;
	case kPlace:
		owner->HandleMessage(Message("PlaceObject"));
		state = kRest;
		break;
	default:
		break;
	}
	const double ratio = Ratio();
	owner->HandleMessage(Message("LungsPercentage").PushFloat(static_cast<float>(ratio)));
	owner->HandleMessage(Message("AdjustFOVPercent").PushFloat(static_cast<float>(ratio * ratio)));
	return true;
}

void Lungs::Refill(double rate, float ceiling)
{
	const double dt = FrameTimer::Instance().GetFrameTime();
	const double target = static_cast<double>(asymptoteRegenMod) * maxCapacity;
	const double gain = maxCapacity > 0.0f ? (target - curCapacity) / maxCapacity * rate * dt : 0.0;
	curCapacity = static_cast<float>(curCapacity + gain);
	if (curCapacity > ceiling)
		curCapacity = ceiling;
}

void Lungs::Release()
{
	double ratio = Ratio();
	const bool burst = ratio >= kBurstRatio;
	if (burst)
		ratio *= burstStrengthMultiplier;
	owner->HandleMessage(Message("AdjustFOVPercent").PushFloat(static_cast<float>(ratio * ratio)));
	const Message gust = Message("StartGust").PushFloat(static_cast<float>(ratio));
	// A full Blow shoots every frame whatever the breath; otherwise one gust per full breath.
	const bool gustSent = BlowIsFull();
	if (gustSent)
		owner->HandleMessage(gust);
	if (curCapacity < baseCapacity)
	{
		Refill(standardRegenRate, baseCapacity);
		return;
	}
	if (!gustSent)
		owner->HandleMessage(gust);
	// No span between the rest and the full breath leaves no room for a bigger burst.
	const double span = static_cast<double>(maxCapacity) - baseCapacity;
	double t = span > 0.0 ? (static_cast<double>(curCapacity) - baseCapacity) / span : 0.0;
	if (burst)
		t *= burstStrengthMultiplier;
	curCapacity = 0.0f;
	Burst(t);
}

void Lungs::Burst(double t) const
{
	const float lifetime = static_cast<float>(LerpBreath(minParticleLife, maxParticleLife, t));
	const Tuple3f scale(static_cast<float>(LerpBreath(minParticleScale.x, maxParticleScale.x, t)),
		static_cast<float>(LerpBreath(minParticleScale.y, maxParticleScale.y, t)),
		static_cast<float>(LerpBreath(minParticleScale.z, maxParticleScale.z, t)));
	owner->HandleMessage(Message("SetParticleLifetime").PushString("Main").PushFloat(lifetime));
	owner->HandleMessage(Message("SetParticleScale").PushString("Main").Push(scale));
	owner->HandleMessage(Message("ParticleBurst").PushString("Main").PushU32(ParticleCount(minParticles, maxParticles, t)));
}

double Lungs::Ratio() const
{
	return maxCapacity > 0.0f ? static_cast<double>(curCapacity) / maxCapacity : 0.0;
}

bool Lungs::BlowIsFull() const
{
	const Blow* blow = owner->GetComponent<Blow>();
	return blow != nullptr && !blow->HasRoom();
}

void Lungs::OnSetLungState(Message::Reader reader)
{
	unsigned newState = state;
	reader.Read(newState);
	if (state == kInhale)
		SendSuckParticles(false);
	state = newState;
	if (state == kInhale && !BlowIsFull())
		SendSuckParticles(true);
}

void Lungs::SendSuckParticles(bool on) const
{
	owner->HandleMessage(Message("ParticleActivate").PushString("Suck").PushBool(on));
}
