#include "Components/Logic/StaticRotater.h"

#include "Components/Logic/MotionRules.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/MathCommon.h"

bool StaticRotater::Load(Serializer& serializer)
{
	serializer.Read(modelAxis);
	owner->RegisterHandler("Rotate", &StaticRotater::OnRotate);
	return true;
}

bool StaticRotater::Serialize(Serializer& serializer)
{
	serializer.Write("modelAxis", modelAxis);
	return true;
}

bool StaticRotater::Start()
{
	if (const Transform* transform = owner->GetComponent<Transform>())
		startOrientation = transform->GetWorldOrientation();
	worldAxis = Quaternion::Rotate(startOrientation, modelAxis);
	drive = AxisDrive();
	return true;
}

void StaticRotater::OnRotate(Message::Reader reader)
{
	drive.Receive(reader, static_cast<float>(kDegreesToRadians), *owner, __StaticRotaterName::name);
}

bool StaticRotater::Update()
{
	if (drive.Drive(*owner, __StaticRotaterName::name, &RigidBody::angularVelocity, worldAxis) == AxisDrive::Step::Arrived)
		SendTurn(*owner, startOrientation, worldAxis * drive.targetValue);
	return true;
}
