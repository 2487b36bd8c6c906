// TableSound: what the sound components that play named entries of a table on message share: the
// table (loaded as positioned sounds, saved, released), leaving the Sound system's update when
// they go, and playing an entry on a channel under the skip or the restart rule.
#pragma once

#include "Component.h"
#include "Components/Sound/SoundTable.h"
#include "Composition.h"
#include "Sound.h"

#include <string>

template <class T, class NameTag>
class TableSound : public ComponentBase<T, NameTag>
{
public:
	// What a busy channel does to a new sound: keeps playing and the new one is dropped (skip), is
	// cut off (restart), or plays on while the handle moves to the new one (overlap).
	enum class Rule
	{
		kSkip,
		kRestart,
		kOverlap,
	};

	bool Load(Serializer& serializer) override
	{
		table.Load(serializer, SoundTable::Kind::kSound);
		return true;
	}
	bool Serialize(Serializer& serializer) override
	{
		table.Serialize(serializer);
		return true;
	}
	bool Update() override
	{
		return true;
	}
	void Release() override
	{
		table.Release();
	}
	void Detach() override
	{
		SoundTable::LeaveUpdates(this->owner->GetId());
	}

	SoundTable table;

protected:
	// Plays the entry on the channel in the effects group when the table has it and the rule
	// admits it; positioned at the owner when asked. True when it started.
	bool Play(snd::Channel& channel, const std::string& name, Rule rule, bool positioned = true, SoundTable::StartOptions options = {})
	{
		Sound* sound = SoundTable::FindSound();
		if (sound == nullptr || !table.Contains(name))
			return false;
		if (rule == Rule::kSkip && !SoundTable::SkipWhilePlaying(channel))
			return false;
		if (rule == Rule::kRestart)
			SoundTable::RestartWhilePlaying(channel);
		const SoundTable::Place place = positioned ? SoundTable::PlaceOf(*this->owner) : SoundTable::Place();
		const SoundTable::StartOptions placed = place.Options();
		options.position = placed.position;
		options.velocity = placed.velocity;
		table.Start(channel, name, sound->sfxGroup, options);
		return true;
	}
	// For the messages a component accepts and ignores.
	void Ignore(Message::Reader)
	{
	}
};
