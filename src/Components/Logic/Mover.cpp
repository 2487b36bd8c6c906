#include "Components/Logic/Mover.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/MotionRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"

bool Mover::Load(Serializer& serializer)
{
	serializer.Read(velocity);
	return true;
}

bool Mover::Serialize(Serializer& serializer)
{
	serializer.Write("velocity", velocity);
	return true;
}

bool Mover::Start()
{
	owner->RegisterHandler("SetVelocity", &Mover::OnSetVelocity);
	return true;
}

void Mover::OnSetVelocity(Message::Reader reader)
{
	reader.Read(velocity);
}

bool Mover::Update()
{
	Transform* transform = RequireTransform(*owner, __MoverName::name);
	if (transform == nullptr)
		return true;
	const Tuple3f moved = transform->GetWorldPosition() + velocity * PhysicsTimeStep();
	if (IsFinite(moved))
		transform->SetWorldPosition(moved);
	return true;
}
