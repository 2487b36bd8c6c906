#include "Components/Sound/MusicTrack.h"

#include "Composition.h"
#include "Sound.h"

namespace
{
	constexpr const char* kStartTrack = "StartTrack";
}

bool MusicTrack::Load(Serializer& serializer)
{
	table.Load(serializer, SoundTable::Kind::kStream);
	StartLevelTrack();
	return true;
}

void MusicTrack::StartLevelTrack()
{
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr)
		return;
	// Group before volume, then unpaused: the level track's own order.
	channel = sound->system->playSound(table.CachedSound(kStartTrack), true);
	channel.setChannelGroup(sound->trackGroup);
	channel.setVolume(table.Lookup(kStartTrack).volume);
	channel.setPaused(false);
}

bool MusicTrack::Serialize(Serializer& serializer)
{
	table.Serialize(serializer);
	return true;
}

bool MusicTrack::Start()
{
	LevelTrack::Start();
	owner->RegisterHandler<MusicTrack>("ChangeMusic", &MusicTrack::OnChangeMusic);
	return true;
}

void MusicTrack::OnChangeMusic(Message::Reader reader)
{
	const std::string name = reader.Read<std::string>();
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr || !table.Contains(name))
		return;
	SoundTable::RestartWhilePlaying(channel);
	table.Start(channel, name, sound->trackGroup);
}
