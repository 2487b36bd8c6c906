#include "Components/Logic/StaticRotater.h"

#include "Components/Logic/GameplayRules.h"
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
	if (RequireTransform(*owner, __StaticRotaterName::name) == nullptr)
		return true;
	RigidBody* body = RequireBody(*owner, __StaticRotaterName::name);
	if (body == nullptr || !PhysicsSteps())
		return true;
	switch (drive.Advance(PhysicsTimeStep()))
	{
	case AxisDrive::Step::Idle:
		break;
	case AxisDrive::Step::Moving:
		body->angularVelocity = worldAxis * drive.moveSpeed;
		break;
	case AxisDrive::Step::Arrived:
		SendTurn(*owner, startOrientation, worldAxis * drive.targetValue);
		body->angularVelocity = Tuple3f(0, 0, 0);
		break;
	}
	return true;
}
