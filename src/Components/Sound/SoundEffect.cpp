#include "Components/Sound/SoundEffect.h"

#include "Composition.h"
#include "Serializer.h"
#include "Sound.h"
#include "Utilities/SearchPaths.h"

#include <algorithm>

bool SoundEffect::Load(Serializer& serializer)
{
	Sound* sound = SoundTable::FindSound();
	while (serializer.NextElement())
	{
		const SoundTable::Entry entry = SoundTable::ReadEntry(serializer);
		effects.push_back(entry);
		if (sound == nullptr)
			continue;
		if (sound->effectSounds.find(entry.name) == sound->effectSounds.end())
		{
			sound->effectSounds[entry.name] = sound->system->createSound(FindFile(entry.file), snd::k3D);
			sound->AddEffectEntry(entry.name, entry.file);
			continue;
		}
		const auto found = std::find_if(sound->effects.begin(), sound->effects.end(), [&](const auto& held) { return held->name == entry.name; });
		if (found != sound->effects.end())
			++(*found)->uses;
	}
	return true;
}

bool SoundEffect::Serialize(Serializer& serializer)
{
	SoundTable::WriteEntries(serializer, effects);
	return true;
}

bool SoundEffect::Start()
{
	owner->RegisterHandler<SoundEffect>("StartSFX", &SoundEffect::Ignore);
	owner->RegisterHandler<SoundEffect>("EndSFX", &SoundEffect::Ignore);
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

bool SoundEffect::Update()
{
	return true;
}

void SoundEffect::Detach()
{
	SoundTable::LeaveUpdates(owner->GetId());
}

void SoundEffect::Ignore(Message::Reader)
{
}
