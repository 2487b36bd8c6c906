#include "Components/Logic/Boundary.h"
#include "Components/Logic/Blow.h"

#include "Components/Physics/Body.h"
#include "Composition.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"

namespace
{
	const char* const kOwnObject = "__This";
}

bool Boundary::Load(Serializer& serializer)
{
	serializer.Read(targetName).Read(exitMessage).Read(enterMessage).Read(dimmensions_);
	// Records written before the box could be open above end at the dimensions.
	openAbove = false;
	if (serializer.NextValueIs<bool>())
		serializer.Read(openAbove);
	return true;
}

bool Boundary::Serialize(Serializer& serializer)
{
	serializer.Write("targetName", targetName).Write("exitMessage", exitMessage).Write("enterMessage", enterMessage);
	serializer.Write("dimmensions_", dimmensions_).Write("openAbove", openAbove);
	return true;
}

bool Boundary::Start()
{
	boxReady = false;
	outside = false;
	if (targetName == kOwnObject)
	{
		targetId = owner->GetId();
		return true;
	}
	const ObjectGroup* group = owner->GetGroup();
	if (group == nullptr)
		return true;
	for (const unsigned memberId : group->GetMembers())
	{
		const Object member = ObjectFromId(memberId);
		if (!member.IsDummy() && member.object->GetName() == targetName)
		{
			targetId = memberId;
			break;
		}
	}
	return true;
}

bool Boundary::Update()
{
	const Object target = ObjectFromId(targetId);
	if (target.IsDummy())
		return true;
	const Body* body = target.object->GetComponent<Body>();
	const RigidBody* rigidBody = body != nullptr ? body->GetBody() : nullptr;
	if (rigidBody == nullptr || rigidBody->collider == nullptr)
		return true;
	// An object a player holds waits below every level until it is blown out again: it has not
	// left the level, whatever box watches it.
	if (Blow::IsParked(*rigidBody))
		return true;
	if (!boxReady)
	{
		const Tuple3f centre = rigidBody->GetPosition();
		const Tuple3f half = dimmensions_ / 2.0f;
		boxMaximum = centre + half;
		boxMinimum = centre - half;
		boxReady = true;
	}
	const float* bounds = rigidBody->collider->GetBounds();
	bool inside = true;
	for (int axis = 0; axis < 3; ++axis)
		inside = inside && boxMinimum[axis] <= bounds[axis] && (bounds[axis + 3] <= boxMaximum[axis] || (axis == 1 && openAbove));
	if (!inside == outside)
		return true;
	outside = !inside;
	owner->HandleMessage(Message(outside ? exitMessage : enterMessage));
	return true;
}
