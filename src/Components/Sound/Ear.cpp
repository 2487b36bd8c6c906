#include "Components/Sound/Ear.h"

#include "Components/Graphics/Camera.h"
#include "Components/Sound/SoundTable.h"
#include "Composition.h"
#include "Sound.h"

bool Ear::Load(Serializer&)
{
	return true;
}

bool Ear::Serialize(Serializer&)
{
	return true;
}

bool Ear::Start()
{
	if (Sound* sound = SoundTable::FindSound())
		sound->listener = this;
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

bool Ear::Update()
{
	const SoundTable::Place place = SoundTable::PlaceOf(*owner);
	if (place.known)
		position = place.position;
	velocity = place.velocity;
	if (const Camera* camera = owner->GetComponent<Camera>())
	{
		forward = camera->GetDirection();
		up = camera->GetUp();
	}
	Sound* sound = SoundTable::FindSound();
	if (sound != nullptr && sound->listener == this)
		sound->MoveListener(position, velocity, forward, up);
	return true;
}

void Ear::Detach()
{
	SoundTable::LeaveUpdates(owner->GetId());
	Sound* sound = SoundTable::FindSound();
	if (sound != nullptr && sound->listener == this)
		sound->listener = nullptr;
}
