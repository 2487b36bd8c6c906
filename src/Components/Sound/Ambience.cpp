#include "Components/Sound/Ambience.h"

#include "Components/Sound/SoundTable.h"
#include "Serializer.h"
#include "Sound.h"
#include "Utilities/SearchPaths.h"

bool Ambience::Load(Serializer& serializer)
{
	Sound* sound = SoundTable::FindSound();
	Record record;
	// Only values make records: an element among them ends the list (reading could not pass it).
	while (serializer.HasValue())
	{
		record = Record();
		serializer.Read(record.name).Read(record.file).Read(record.volume);
		records.push_back(record);
		if (sound != nullptr)
			sound->SetAmbienceStream(record.name, sound->system->createStream(FindFile(record.file), snd::kLoop));
	}
	if (sound == nullptr)
		return true;
	channel = sound->system->playSound(sound->GetAmbienceStream(record.name), false);
	channel.setChannelGroup(sound->trackGroup);
	channel.setVolume(record.volume);
	return true;
}

bool Ambience::Serialize(Serializer& serializer)
{
	for (const Record& record : records)
		serializer.Write("Name", record.name).Write("Filename", record.file).Write("Volume", record.volume);
	return true;
}
