#include "Components/Sound/Voice.h"

#include "Components/Graphics/Model.h"
#include "Object.h"
#include "Utilities/Random.h"

namespace
{
	constexpr const char* kContinuous = "ContinuousSound";

	std::time_t CurrentSeconds()
	{
		return std::time(nullptr);
	}
}

std::time_t (*Voice::secondsClock)() = &CurrentSeconds;

bool Voice::Start()
{
	owner->RegisterHandler<Voice>("Death", &Voice::OnDeath);
	owner->RegisterHandler<Voice>("Explode", &Voice::OnExplode);
	owner->RegisterHandler<Voice>("AddObject", &Voice::OnAddObject);
	owner->RegisterHandler<Voice>("ShotFromObj", &Voice::Ignore);
	owner->RegisterHandler<Voice>("Damage", &Voice::OnDamage);
	owner->RegisterHandler<Voice>("Heal", &Voice::OnHeal);
	owner->RegisterHandler<Voice>("SetAnimation", &Voice::OnSetAnimation);
	owner->RegisterHandler<Voice>("ParticleClear", &Voice::OnParticleClear);
	owner->RegisterHandler<Voice>("ParticleBurst", &Voice::OnParticleBurst);
	owner->RegisterHandler<Voice>("Destroyed", &Voice::OnDestroyed);
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

bool Voice::Update()
{
	const SoundTable::Place place = SoundTable::PlaceOf(*owner);
	place.Move(voiceChannel);
	place.Move(starsChannel);
	// Not looped by the layer: it starts again in the first update after it ended.
	if (continuousChannel.isPlaying())
		place.Move(continuousChannel);
	else
		Play(continuousChannel, kContinuous, Rule::kSkip);
	return true;
}

void Voice::StopOwnChannels() const
{
	voiceChannel.stop();
	continuousChannel.stop();
	starsChannel.stop();
}

void Voice::Release()
{
	StopOwnChannels();
	TableSound::Release();
}

void Voice::Detach()
{
	StopOwnChannels();
	TableSound::Detach();
}

std::string Voice::SoundFile(const std::string& name) const
{
	return table.Contains(name) ? table.Lookup(name).file : "DNE";
}

float Voice::Volume(const std::string& name) const
{
	return table.Lookup(name).volume;
}

void Voice::OnDeath(Message::Reader)
{
	if (!table.Contains("DamageOne") && !table.Contains("DamageTwo"))
		return;
	if (voiceChannel.isPlaying())
		return;
	// A sequence of its own: reseeding the game's generator at every death would repeat every
	// other random sequence of the game.
	tw::RandomSequence draw(static_cast<unsigned>(secondsClock()));
	Play(voiceChannel, draw.Next() % 2 == 0 ? "DamageOne" : "DamageTwo", Rule::kSkip);
}

void Voice::OnExplode(Message::Reader)
{
	// Until the next update starts it again.
	continuousChannel.stop();
}

void Voice::OnAddObject(Message::Reader reader)
{
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr || !table.Contains("Gulp"))
		return;
	const Object swallowed = ObjectFromId(reader.Read<unsigned>());
	if (swallowed.IsDummy())
		return;
	// The swallowed object falls silent.
	if (const Voice* voice = swallowed.object->GetComponent<Voice>())
		voice->continuousChannel.stop();
	Play(sound->VoiceChannel1, "Gulp", Rule::kRestart, false);
}

void Voice::OnDamage(Message::Reader)
{
	const Model* model = owner->GetComponent<Model>();
	if (model == nullptr || !model->IsRagdoll())
		Play(voiceChannel, "Damage", Rule::kSkip);
}

void Voice::OnHeal(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->VoiceChannel2, "Heal", Rule::kRestart);
}

void Voice::OnSetAnimation(Message::Reader reader)
{
	if (reader.Read<std::string>() == "Walk")
		Play(voiceChannel, "Walk", Rule::kRestart);
}

void Voice::OnParticleClear(Message::Reader)
{
	starsChannel.stop();
}

void Voice::OnParticleBurst(Message::Reader reader)
{
	if (reader.Read<std::string>() == "Stars")
		Play(starsChannel, "Stars", Rule::kRestart);
}

void Voice::OnDestroyed(Message::Reader)
{
	Play(voiceChannel, "Destroyed", Rule::kRestart);
}
