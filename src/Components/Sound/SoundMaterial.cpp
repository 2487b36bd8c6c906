#include "Components/Sound/SoundMaterial.h"

bool SoundMaterial::Start()
{
	owner->RegisterHandler<SoundMaterial>("PlayWalk", &SoundMaterial::OnPlayWalk);
	owner->RegisterHandler<SoundMaterial>("Collision", &SoundMaterial::OnCollision);
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

void SoundMaterial::OnPlayWalk(Message::Reader reader)
{
	const SoundStruct* step = reader.Read<SoundStruct*>();
	Sound* sound = SoundTable::FindSound();
	if (step != nullptr && sound != nullptr)
		// The walk channel follows the listener: the step is heard at the character.
		Play(sound->FootStepChannel1, step->name, Rule::kOverlap, false);
}

void SoundMaterial::OnCollision(Message::Reader)
{
	Play(collisionChannel, "Collision", Rule::kSkip);
}
