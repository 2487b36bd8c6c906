#include "Components/Sound/AudioEvent.h"

namespace
{
	// A rotating part sounds only when it reaches exactly this angle.
	constexpr float kAudioFullTurn = 85.0f;
	// After a level change, the first creations are the level's own props being set up.
	constexpr int kSilentCreations = 7;
	constexpr float kCreationMinDistance = 30.0f;
	constexpr float kCreationMaxDistance = 10000.0f;
}

bool AudioEvent::Start()
{
	owner->RegisterHandler<AudioEvent>("Explode", &AudioEvent::OnExplode);
	owner->RegisterHandler<AudioEvent>("Rotate", &AudioEvent::OnRotate);
	owner->RegisterHandler<AudioEvent>("CatapultOn", &AudioEvent::OnCatapultOn);
	owner->RegisterHandler<AudioEvent>("CatapultOff", &AudioEvent::OnCatapultOff);
	owner->RegisterHandler<AudioEvent>("ObjectiveProgress", &AudioEvent::OnObjectiveProgress);
	owner->RegisterHandler<AudioEvent>("ObjectiveComplete", &AudioEvent::OnObjectiveComplete);
	SoundTable::JoinUpdates(owner->GetId());
	creationPlayed = false;
	return true;
}

bool AudioEvent::Update()
{
	if (table.Contains("OnCreation") && !creationPlayed)
	{
		PlayOnCreation();
		creationPlayed = true;
	}
	return true;
}

void AudioEvent::PlayOnCreation()
{
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr)
		return;
	if (sound->CreationSoundCount < kSilentCreations)
	{
		++sound->CreationSoundCount;
		return;
	}
	SoundTable::StartOptions options;
	options.minDistance = kCreationMinDistance;
	options.maxDistance = kCreationMaxDistance;
	Play(mainChannel, "OnCreation", Rule::kSkip, true, options);
}

void AudioEvent::OnExplode(Message::Reader)
{
	Play(mainChannel, "Explode", Rule::kOverlap);
}

void AudioEvent::OnRotate(Message::Reader reader)
{
	if (reader.Read<float>() == kAudioFullTurn)
		Play(rotateChannel, "RotateUp", Rule::kOverlap);
}

void AudioEvent::OnCatapultOn(Message::Reader)
{
	Play(catapultChannel, "On", Rule::kOverlap);
}

void AudioEvent::OnCatapultOff(Message::Reader)
{
	Play(catapultChannel, "Off", Rule::kOverlap);
}

void AudioEvent::OnObjectiveProgress(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->ProgressChannel, "Progress", Rule::kOverlap);
}

void AudioEvent::OnObjectiveComplete(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->ProgressChannel, "ObjectiveComplete", Rule::kRestart);
}
