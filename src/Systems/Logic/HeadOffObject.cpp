#include "Systems/Logic/HeadOffObject.h"

#include "Components/Logic/PathMovement.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Physics/RigidBody.h"

HeadOffObject::HeadOffObject() : startTime(Logic::GameMilliseconds())
{
}

void HeadOffObject::Deserialize(Serializer& serializer)
{
	serializer.Read(targetObjName).Read(leadOff).Read(speed).Read(maxChargeDist);
}

void HeadOffObject::Serialize(Serializer& serializer) const
{
	serializer.Write("targetObjName", targetObjName).Write("leadOff", leadOff).Write("speed", speed);
	serializer.Write("maxChargeDist", maxChargeDist);
}

void HeadOffObject::Start()
{
	Composition* target = LeafRules::FindByName(targetObjName);
	const Transform* targetTransform = LeafRules::TransformOf(target);
	const Transform* ownTransform = LeafRules::TransformOf(owner);
	if (target == nullptr || targetTransform == nullptr || ownTransform == nullptr || owner->GetComponent<PathMovement>() == nullptr)
	{
		status = Failure;
		return;
	}
	targetId = target->GetId();
	const Tuple3f targetPosition = targetTransform->GetWorldPosition();
	if (!(ownTransform->GetWorldPosition().DistanceSquared(targetPosition) < maxChargeDist * maxChargeDist))
	{
		status = Failure;
		return;
	}
	const RigidBody* targetBody = LeafRules::BodyOf(target);
	const Tuple3f aim = targetBody != nullptr ? targetPosition + targetBody->velocity * leadOff : targetPosition;
	bool found = false;
	owner->HandleMessage(Message("SetSpeed").PushFloat(speed));
	LeafRules::Animate(owner, "Walk");
	owner->HandleMessage(Message("SetEndPoint").Push(aim).Push(&found));
	if (found)
		startTime = Logic::GameMilliseconds();
	else
		status = Failure;
}

void HeadOffObject::Update()
{
	const PathMovement* movement = owner != nullptr ? owner->GetComponent<PathMovement>() : nullptr;
	if (movement == nullptr || !movement->IsWalking() || Logic::GameMilliseconds() - startTime > kLongestRun)
		status = Success;
}
