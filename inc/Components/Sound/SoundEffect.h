// SoundEffect: declares named sound effects on any object. The first component that names an
// effect loads its sound into the Sound system's effect registry and reports the effect in the
// system's effect entries; later ones naming it only count as further users. It plays nothing:
// "StartSFX" and "EndSFX" are accepted and ignored.
#pragma once

#include "Component.h"
#include "Components/Sound/SoundTable.h"
#include "Message.h"

#include <vector>

struct __SoundEffectName
{
	static constexpr const char* name = "SoundEffect";
};

class SoundEffect : public ComponentBase<SoundEffect, __SoundEffectName>
{
public:
	// Every element as name, file, volume by position; repeated names stay separate entries.
	bool Load(Serializer& serializer) override;
	// Its own entries back, whatever file the registry kept for a name.
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;
	void Detach() override;

	std::vector<SoundTable::Entry> effects;

private:
	void Ignore(Message::Reader reader);
};
