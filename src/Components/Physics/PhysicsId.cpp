#include "Components/Physics/PhysicsId.h"

#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/Physics.h"

bool PhysicsId::Load(Serializer& serializer)
{
	serializer.Read(id);
	objectId = owner->GetId();
	if (Physics* physics = Physics::Instance())
		physics->RegisterPhysicsId(*this);
	return true;
}

bool PhysicsId::Serialize(Serializer& serializer)
{
	serializer.Write("ID", id);
	return true;
}

void PhysicsId::Release()
{
	if (Physics* physics = Physics::Instance())
		physics->UnregisterPhysicsId(*this);
}
