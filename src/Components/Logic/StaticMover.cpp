#include "Components/Logic/StaticMover.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"

bool StaticMover::Load(Serializer& serializer)
{
	serializer.Read(modelAxis);
	owner->RegisterHandler("Move", &StaticMover::OnMove);
	return true;
}

bool StaticMover::Serialize(Serializer& serializer)
{
	serializer.Write("modelAxis", modelAxis);
	return true;
}

bool StaticMover::Start()
{
	// The Transform holds the body's orientation; the body takes it over only when it starts,
	// which may come after this component's start.
	const Transform* transform = owner->GetComponent<Transform>();
	worldAxis = transform != nullptr ? Quaternion::Rotate(transform->GetWorldOrientation(), modelAxis) : modelAxis;
	if (transform != nullptr)
		startPosition = transform->GetWorldPosition();
	drive = AxisDrive();
	return true;
}

void StaticMover::OnMove(Message::Reader reader)
{
	drive.Receive(reader, 1.0f, *owner, __StaticMoverName::name);
}

bool StaticMover::Update()
{
	if (drive.Drive(*owner, __StaticMoverName::name, &RigidBody::velocity, worldAxis) == AxisDrive::Step::Arrived)
		owner->HandleMessage(Message("SetPos").Push(startPosition + worldAxis * drive.targetValue));
	return true;
}
