#include "Components/Physics/GlobalConnection.h"

#include "Components/Graphics/ConnectionReader.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/Connection.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Diagnostics.h"

namespace
{
	RigidBody* RigidBodyOfObject(Composition& object)
	{
		const Body* body = object.GetComponent<Body>();
		return body != nullptr ? body->GetBody() : nullptr;
	}

	bool FindDistanceAnchors(Composition& object, Tuple3f& first, Tuple3f& second)
	{
		const GlobalConnection* component = object.GetComponent<GlobalConnection>();
		const Connection* connection = component != nullptr ? component->GetConnection() : nullptr;
		const DistanceConstraint* distance = connection != nullptr ? connection->FindDistanceConstraint() : nullptr;
		if (distance == nullptr || connection->bodyA == nullptr || connection->bodyB == nullptr)
			return false;
		first = connection->bodyA->transforms.world * distance->anchorA;
		second = connection->bodyB->transforms.world * distance->anchorB;
		return true;
	}

	void MakeGhost(Composition& object)
	{
		if (RigidBody* body = RigidBodyOfObject(object))
		{
			body->flags |= kBodyGhost;
			body->flags |= kBodyNoGravity;
		}
	}

	void FollowTransform(Composition& object)
	{
		RigidBody* body = RigidBodyOfObject(object);
		if (body == nullptr || body->transform == nullptr)
			return;
		body->orientation = body->transform->GetWorldOrientation();
		body->UpdateDerived();
	}
}

void InstallConnectionReaderPhysics()
{
	ConnectionReader::Physics() = {&FindDistanceAnchors, &MakeGhost, &FollowTransform};
}

GlobalConnection::GlobalConnection() = default;

GlobalConnection::GlobalConnection(const GlobalConnection& other)
	: ComponentBase(other),
	  physicsId1(other.physicsId1),
	  physicsId2(other.physicsId2),
	  objectId1(other.objectId1),
	  objectId2(other.objectId2),
	  kind(other.kind)
{
	// Sharing the original's connection would free it twice; its fields travel through a save.
	if (other.connection == nullptr)
		return;
	Serializer fields;
	other.connection->Save(fields);
	fields.SwitchToReading();
	connection = other.connection->Create();
	connection->Load(fields);
}

GlobalConnection::~GlobalConnection() = default;

bool GlobalConnection::Load(Serializer& serializer)
{
	connected = false;
	owner->RegisterHandler("RemoteInit", &GlobalConnection::OnRemoteInit);
	owner->RegisterHandler("Disconnect", &GlobalConnection::OnDisconnect);
	owner->RegisterHandler("Connect", &GlobalConnection::OnConnect);
	serializer.Read(physicsId1);
	serializer.Read(physicsId2);
	serializer.Read(kind);
	const Connection* prototype = ConnectionPrototypeLookup(kind);
	if (prototype == nullptr)
	{
		tw::Diagnostics::Report("GlobalConnection of object \"" + owner->GetName() + "\": \"" + kind +
			"\" is no connection kind, nothing is connected");
		return true;
	}
	connection = prototype->Create();
	connection->Load(serializer);
	return true;
}

bool GlobalConnection::Serialize(Serializer& serializer)
{
	serializer.Write("ID 1", physicsId1);
	serializer.Write("ID 2", physicsId2);
	serializer.Write("Kind", kind);
	if (connection != nullptr)
		connection->Save(serializer);
	return true;
}

void GlobalConnection::Detach()
{
	Physics* physics = Physics::Instance();
	if (connection != nullptr && physics != nullptr)
		connection->DestroyConstraints(physics->GetResolution());
}

void GlobalConnection::Release()
{
	Physics* physics = Physics::Instance();
	if (connection != nullptr && physics != nullptr)
	{
		physics->GetTransgression().RemoveConnection(*connection);
		connection->DestroyConstraints(physics->GetResolution());
	}
	connection.reset();
}

RigidBody* GlobalConnection::ResolveBody(unsigned physicsId, unsigned& objectId) const
{
	const Physics* physics = Physics::Instance();
	objectId = physics != nullptr ? physics->ObjectIdFromPhysicsId(physicsId) : 0;
	const Object object = ObjectFromId(objectId);
	const Body* body = object.IsDummy() ? nullptr : object.object->GetComponent<Body>();
	if (body == nullptr || body->GetBody() == nullptr)
	{
		tw::Diagnostics::Report("GlobalConnection of object \"" + owner->GetName() + "\": physics id " +
			std::to_string(physicsId) + " names no object with a body, nothing is connected");
		return nullptr;
	}
	return body->GetBody();
}

void GlobalConnection::OnRemoteInit(Message::Reader)
{
	if (connected)
		return;
	connected = true;
	Physics* physics = Physics::Instance();
	if (connection == nullptr || physics == nullptr)
		return;
	connection->bodyA = ResolveBody(physicsId1, objectId1);
	connection->bodyB = ResolveBody(physicsId2, objectId2);
	if (connection->bodyA == nullptr || connection->bodyB == nullptr)
		return;
	// The joined bodies start now if they have not yet, so that the set-up sees them placed.
	ObjectFromId(objectId1).SendMessage(Message("RemoteInit"));
	ObjectFromId(objectId2).SendMessage(Message("RemoteInit"));
	connection->CreateConstraints(physics->GetResolution());
	connection->SetUp();
	Join();
}

void GlobalConnection::Join()
{
	Physics* physics = Physics::Instance();
	if (physics == nullptr || physics->GetTransgression().GetConnections().Contains(*connection))
		return;
	if (connection->Connect(physics->GetResolution()))
		physics->GetTransgression().AddConnection(*connection);
}

void GlobalConnection::OnConnect(Message::Reader reader)
{
	if (connection == nullptr)
		return;
	bool resolved = false;
	if (reader.HasMore())
	{
		reader.Read(physicsId2);
		connection->bodyB = ResolveBody(physicsId2, objectId2);
		resolved = true;
	}
	if (reader.HasMore())
	{
		reader.Read(physicsId1);
		connection->bodyA = ResolveBody(physicsId1, objectId1);
	}
	if (resolved)
		connection->SetUp();
	Join();
}

void GlobalConnection::OnDisconnect(Message::Reader)
{
	Physics* physics = Physics::Instance();
	if (connection == nullptr || physics == nullptr || !physics->GetTransgression().GetConnections().Contains(*connection))
		return;
	physics->GetTransgression().RemoveConnection(*connection);
	connection->Disconnect(physics->GetResolution());
}
