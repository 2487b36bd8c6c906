#include "Systems/Logic/GolemSpawnObjects.h"

#include "Archetype.h"
#include "Components/Logic/BonePose.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

void GolemSpawnObjects::Deserialize(Serializer& serializer)
{
	serializer.Read(spawnFile);
}

void GolemSpawnObjects::Serialize(Serializer& serializer) const
{
	serializer.Write("spawnFile", spawnFile);
}

void GolemSpawnObjects::Start()
{
	owner->HandleMessage(Message("SetAnimation").PushString("Throw").PushFloat(0.1f));
}

void GolemSpawnObjects::Update()
{
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f rotation = transform != nullptr ? transform->GetWorldRotationVector() : Tuple3f();
	if (RigidBody* body = RigidBodyOf(*owner))
	{
		body->Wake();
		body->UpdateDerived();
	}
	SpawnBelow("ee_hand_L", rotation);
	SpawnBelow("ee_hand_R", rotation);
	status = Success;
}

void GolemSpawnObjects::SpawnBelow(const std::string& hand, const Tuple3f& rotation) const
{
	const auto found = LeafRules::BoneInWorld(*owner, hand, "GolemSpawnObjects", "that hand spawns nothing");
	if (!found)
		return;
	const Tuple3f& handPosition = *found;
	// Over a void the ray leaves the point as it is: the object appears at the hand.
	Tuple3f ground = handPosition;
	if (const Physics* physics = Physics::Instance())
		physics->RayCastStatic(handPosition, Tuple3f(0.0f, -1.0f, 0.0f), nullptr, &ground);
	const Object spawned = CreateObjectFromArchetype(spawnFile);
	if (spawned.IsDummy())
		return;
	spawned.object->Start();
	spawned.object->HandleMessage(Message("SetPos").Push(ground));
	spawned.object->HandleMessage(Message("SetRot").Push(rotation));
}
