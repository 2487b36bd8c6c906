#include "Components/Logic/AvailableObjects.h"

#include "Components/Physics/Body.h"
#include "Components/Physics/PhysicsId.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>

namespace
{
	const Tuple3f kDown(0.0f, -1.0f, 0.0f);

	Logic* LogicSystem()
	{
		const Engine* engine = Engine::Instance();
		return engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
	}

	std::uint64_t NextStartOrder()
	{
		static std::uint64_t started = 0;
		return ++started;
	}

	void AddRecord(unsigned objectId, std::vector<ObjectBoundsRecord>& pieces)
	{
		if (const std::optional<ObjectBoundsRecord> record = ObjectBoundsRecord::Measure(objectId))
			pieces.push_back(*record);
	}
}

bool AvailableObjects::Load(Serializer& serializer)
{
	serializer.Read(searchRadius);
	serializer.Read(searchHeight);
	return true;
}

bool AvailableObjects::Serialize(Serializer& serializer)
{
	serializer.Write(nullptr, searchRadius);
	serializer.Write(nullptr, searchHeight);
	return true;
}

bool AvailableObjects::Start()
{
	houseState = kWhole;
	startOrder = NextStartOrder();
	drawLevel = 0;
	debugDraw = false;
	owner->RegisterHandler("Clear", &AvailableObjects::OnClear);
	owner->RegisterHandler("HouseDestroyed", &AvailableObjects::OnHouseDestroyed);
	owner->RegisterHandler("Created", &AvailableObjects::OnCreated);
	owner->RegisterHandler("IncDrawLevel", &AvailableObjects::OnIncDrawLevel);
	owner->RegisterHandler("DecDrawLevel", &AvailableObjects::OnDecDrawLevel);
	owner->RegisterHandler("ToggleDebugDraw", &AvailableObjects::OnToggleDebugDraw);
	owner->RegisterHandler("RestoreNextObject", &AvailableObjects::OnRestoreNextObject);
	if (Logic* logic = LogicSystem())
		logic->GetAvailableObjectOwners().insert(owner->GetId());
	return true;
}

bool AvailableObjects::Update()
{
	if (!debugDraw)
		return true;
	VolumeAABBTree& tree = blackboard.Tree();
	// Truncated toward zero: a negative level draws no depth at all.
	tree.SetDebugDepth(drawLevel % (tree.DepthCounter() + 1));
	tree.DebugDrawDepth(tree.Root());
	return true;
}

void AvailableObjects::Detach()
{
	if (Logic* logic = LogicSystem())
		logic->UnregisterAvailableObjects(*this);
}

bool AvailableObjects::IsPiece(unsigned objectId)
{
	const Object object = ObjectFromId(objectId);
	if (object.IsDummy() || object.object->GetComponent<PhysicsId>() != nullptr)
		return false;
	const Body* body = object.object->GetComponent<Body>();
	if (body == nullptr || body->GetBody() == nullptr || body->GetBody()->collider == nullptr)
		return false;
	const RigidBody& rigidBody = *body->GetBody();
	if (rigidBody.mass == 0.0f && !rigidBody.HasFlag(kBodyLogic))
		return false;
	const Logic* logic = LogicSystem();
	return logic == nullptr || !logic->IsLogicObject(objectId);
}

void AvailableObjects::BuildBlackboard()
{
	std::vector<ObjectBoundsRecord> pieces;
	if (const ObjectGroup* group = owner->GetGroup())
		for (unsigned objectId : group->GetMembers())
			if (IsPiece(objectId))
				AddRecord(objectId, pieces);
	blackboard.Build(pieces);
	// The ground is the static world: a ray that stopped on the house's own pieces would put the
	// search for loose pieces on the roof.
	const Transform* transform = owner->GetComponent<Transform>();
	const Tuple3f origin = transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
	Tuple3f hit;
	if (Physics* physics = Physics::Instance(); physics != nullptr && physics->RayCastStatic(origin, kDown, nullptr, &hit))
		groundPoint = hit;
}

bool AvailableObjects::QueryPieces(int shape, const Tuple3f& position, const Tuple3f& scale,
	std::vector<ObjectBoundsRecord>& pieces)
{
	bool found = false;
	std::vector<RigidBody*> bodies;
	Engine::SendMessage(Message("PhysicsQueryPrimitive").Push(&found).PushInt(shape).Push(position).Push(Tuple3f())
		.Push(scale).Push(&bodies));
	for (const RigidBody* body : bodies)
		if (IsPiece(body->ownerId))
			AddRecord(body->ownerId, pieces);
	return found;
}

void AvailableObjects::RefreshRegion()
{
	std::vector<ObjectBoundsRecord> pieces;
	if (const BuildingBlackboard::Node* root = blackboard.Root();
		root != nullptr && QueryPieces(kGeometryCube, root->box.Centre(), root->box.max - root->box.min, pieces))
		blackboard.MarkPresent(pieces);
	pieces.clear();
	const auto diameter = static_cast<float>(2 * static_cast<double>(searchRadius));
	if (QueryPieces(kGeometryCylinder, groundPoint, Tuple3f(diameter, static_cast<float>(searchHeight), diameter), pieces))
	{
		std::erase_if(pieces, [this](const ObjectBoundsRecord& piece) { return IsGivenUp(piece.objectId); });
		blackboard.SetAvailable(pieces);
	}
	blackboard.Refresh();
}

void AvailableObjects::FetchFailed(unsigned objectId)
{
	if (IsGivenUp(objectId))
		return;
	failedFetches.push_back(objectId);
	if (IsGivenUp(objectId))
		tw::Diagnostics::Report(Describe() + ": gives up piece " + std::to_string(objectId) + ", which could not be reached in " +
			std::to_string(kFetchAttempts) + " tries");
}

bool AvailableObjects::IsGivenUp(unsigned objectId) const
{
	return std::count(failedFetches.begin(), failedFetches.end(), objectId) >= kFetchAttempts;
}

void AvailableObjects::EndRebuildIfStalled()
{
	if (houseState != kBeingRebuilt || Logic::GameMilliseconds() - lastProgress < kLongestStall)
		return;
	houseState = kWhole;
	tw::Diagnostics::Report(Describe() + ": ends its rebuild with the pieces in place; nothing more could be fetched for " +
		std::to_string(kLongestStall / 1000) + " s");
}

std::string AvailableObjects::Describe() const
{
	return "House '" + owner->GetName() + "' (object " + std::to_string(owner->GetId()) + ")";
}

void AvailableObjects::BeginRebuild()
{
	if (houseState != kBeingRebuilt)
		failedFetches.clear();
	houseState = kBeingRebuilt;
	lastProgress = Logic::GameMilliseconds();
}

void AvailableObjects::OnClear(Message::Reader)
{
	BeginRebuild();
}

void AvailableObjects::OnHouseDestroyed(Message::Reader)
{
	houseState = kDestroyed;
}

void AvailableObjects::OnCreated(Message::Reader)
{
	houseState = kWhole;
}

void AvailableObjects::OnIncDrawLevel(Message::Reader)
{
	++drawLevel;
}

void AvailableObjects::OnDecDrawLevel(Message::Reader)
{
	--drawLevel;
}

void AvailableObjects::OnToggleDebugDraw(Message::Reader)
{
	debugDraw = !debugDraw;
}

void AvailableObjects::OnRestoreNextObject(Message::Reader reader)
{
	BuildingBlackboard::ObjPos placement;
	if (reader.HasMore())
	{
		// A wrong argument is reported by the reader and changes nothing.
		if (!reader.Read(placement))
			return;
	}
	else
	{
		RefreshRegion();
		if (!blackboard.Refresh())
			return;
		placement = blackboard.NextObject();
	}
	BeginRebuild();
	// A piece that has gone since it was promised gives its slot back instead of being sent.
	if (const Object piece = ObjectFromId(placement.objectId); !piece.IsDummy())
	{
		piece.SendMessage(Message("SetPos").Push(placement.position));
		piece.SendMessage(Message("SetRot").Push(placement.rotation));
		piece.SendMessage(Message("SetVelocity").Push(Tuple3f()));
		piece.SendMessage(Message("SetAngularVelocity").Push(Tuple3f()));
	}
	blackboard.RemoveObject(placement);
	RefreshRegion();
	if (blackboard.IsComplete())
		houseState = kWhole;
}
