#include "Components/Sound/HPSound.h"

#include "Components/Sound/Voice.h"
#include "Object.h"

namespace
{
	// Below this fraction of its health the character pants.
	constexpr double kPantBelow = 0.4;
}

bool HPSound::Start()
{
	owner->RegisterHandler<HPSound>("StartGust", &HPSound::Ignore);
	owner->RegisterHandler<HPSound>("AddObject", &HPSound::OnAddObject);
	owner->RegisterHandler<HPSound>("FireObject", &HPSound::OnFireObject);
	owner->RegisterHandler<HPSound>("HouseDestroyed", &HPSound::OnHouseDestroyed);
	owner->RegisterHandler<HPSound>("Blow", &HPSound::OnBlow);
	owner->RegisterHandler<HPSound>("Suck", &HPSound::OnSuck);
	owner->RegisterHandler<HPSound>("Damage", &HPSound::OnDamage);
	owner->RegisterHandler<HPSound>("HealthPercentage", &HPSound::OnHealthPercentage);
	owner->RegisterHandler<HPSound>("Death", &HPSound::OnDeath);
	owner->RegisterHandler<HPSound>("PlaceObject", &HPSound::OnPlaceObject);
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

void HPSound::OnAddObject(Message::Reader reader)
{
	const Object swallowed = ObjectFromId(reader.Read<unsigned>());
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr || swallowed.IsDummy())
		return;
	// The gulp cuts off whatever the action channel played, even when there is no gulp to play.
	SoundTable::RestartWhilePlaying(sound->HPSoundChannel1);
	if (!Play(sound->HPSoundChannel1, "Gulp", Rule::kOverlap, false))
		return;
	const Voice* voice = swallowed.object->GetComponent<Voice>();
	if (voice != nullptr && voice->SoundFile("Swallowed") != "DNE")
		voice->table.Start(sound->HPSoundChannel2, "Swallowed", sound->sfxGroup);
}

void HPSound::PlayAction(const char* name)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->HPSoundChannel1, name, Rule::kSkip, false);
}

void HPSound::OnFireObject(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->HPSoundChannel3, "Shoot", Rule::kSkip, false);
}

void HPSound::OnHouseDestroyed(Message::Reader)
{
	PlayAction("Accomplishment");
}

void HPSound::OnBlow(Message::Reader)
{
	PlayAction("Blow");
}

void HPSound::OnSuck(Message::Reader)
{
	PlayAction("Suck");
}

void HPSound::OnDamage(Message::Reader)
{
	PlayAction("Damage");
}

void HPSound::OnHealthPercentage(Message::Reader reader)
{
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr || !table.Contains("Pant"))
		return;
	const double health = reader.Read<double>();
	const bool panting = sound->HPSoundChannel4.isPlaying();
	if (health > kPantBelow && panting)
		sound->HPSoundChannel4.stop();
	else if (health < kPantBelow && !panting)
	{
		SoundTable::StartOptions options;
		options.loop = true;
		Play(sound->HPSoundChannel4, "Pant", Rule::kSkip, false, options);
	}
}

void HPSound::OnDeath(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		sound->HPSoundChannel4.stop();
}

void HPSound::OnPlaceObject(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->HPSoundChannel1, "Spit", Rule::kRestart, false);
}
