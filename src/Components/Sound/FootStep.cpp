#include "Components/Sound/FootStep.h"

#include "Object.h"

bool FootStep::Start()
{
	owner->RegisterHandler<FootStep>("Collision", &FootStep::OnCollision);
	// The controller's movement messages: the sign of the amount chooses the direction.
	owner->RegisterHandler<FootStep>("MoveForward", &FootStep::OnMove);
	owner->RegisterHandler<FootStep>("Strafe", &FootStep::OnMove);
	owner->RegisterHandler<FootStep>("Jump", &FootStep::OnJump);
	SoundTable::JoinUpdates(owner->GetId());
	return true;
}

bool FootStep::Update()
{
	moving = false;
	return true;
}

void FootStep::OnCollision(Message::Reader reader)
{
	const Object other = ObjectFromId(reader.Read<unsigned>());
	Sound* sound = SoundTable::FindSound();
	if (sound == nullptr || !moving || other.IsDummy() || other.object->GetComponent<SoundMaterial>() == nullptr || sound->FootStepChannel1.isPlaying())
		return;
	SoundStruct step{"Walk", sound->FootStepChannel1};
	other.object->HandleMessage(Message("PlayWalk").Push<SoundStruct*>(&step));
}

void FootStep::OnMove(Message::Reader)
{
	moving = true;
}

void FootStep::OnJump(Message::Reader)
{
	if (Sound* sound = SoundTable::FindSound())
		Play(sound->FootStepChannel2, "Jump", Rule::kSkip, false);
}
