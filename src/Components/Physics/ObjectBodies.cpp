#include "Components/Physics/ObjectBodies.h"

#include "Components/Physics/Body.h"
#include "Components/Physics/Ragdoll.h"
#include "Object.h"
#include "Systems/Physics/Physics.h"

RigidBody* MainBodyOf(unsigned objectId)
{
	const auto* body = static_cast<const Body*>(FindComponent(objectId, Body::TypeId()));
	return body != nullptr ? body->GetBody() : nullptr;
}

bool IsBodyOfObject(unsigned objectId, const RigidBody* body)
{
	return body != nullptr && (MainBodyOf(objectId) == body || IsSimulatedPartOfObject(objectId, body));
}

bool IsSimulatedPartOfObject(unsigned objectId, const RigidBody* body)
{
	const auto* ragdoll = static_cast<const Ragdoll*>(FindComponent(objectId, Ragdoll::TypeId()));
	if (body == nullptr || ragdoll == nullptr)
		return false;
	// A switch back from ragdoll takes the parts out of the simulation while the object keeps
	// them: a push given then would wait in the body and kick it at the next switch.
	Physics* physics = Physics::Instance();
	for (const RagdollPart& part : ragdoll->GetParts())
		if (part.body == body)
			return physics != nullptr && physics->GetResolution().GetBodies().Contains(*body);
	return false;
}
