#include "Systems/Logic/RebuildHouse.h"

#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/BonePose.h"
#include "Components/Logic/PathMovement.h"
#include "Components/Physics/GolemPoints.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Serializer.h"
#include "Systems/Logic/LeafRules.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/RigidBody.h"

#include <optional>
#include <vector>

namespace
{
	static_assert(RebuildHouse::kLargestAimError + PathMovement::kReachedDistance < RebuildHouse::kPieceReach,
		"a builder stopped short of its aim must still reach the piece");

	std::optional<Tuple3f> PositionOf(unsigned objectId)
	{
		const Transform* transform = LeafRules::TransformOf(LeafRules::Find(objectId));
		return transform != nullptr ? std::optional<Tuple3f>(transform->GetWorldPosition()) : std::nullopt;
	}

	AvailableObjects* HouseOf(unsigned objectId)
	{
		Composition* object = LeafRules::Find(objectId);
		return object != nullptr ? object->GetComponent<AvailableObjects>() : nullptr;
	}
}

RebuildHouse::RebuildHouse() : startTime(Logic::GameMilliseconds())
{
}

void RebuildHouse::Deserialize(Serializer& serializer)
{
	serializer.Read(maxHouseDist).Read(speed).Read(holdBone).Read(holdOffset);
}

void RebuildHouse::Serialize(Serializer& serializer) const
{
	serializer.Write("maxHouseDist", maxHouseDist).Write("speed", speed).Write("holdBone", holdBone);
	serializer.Write(nullptr, holdOffset);
}

AvailableObjects* RebuildHouse::ChooseHouse(const Tuple3f& ownPosition) const
{
	const Engine* engine = Engine::Instance();
	Logic* logic = engine != nullptr ? engine->GetSystem<Logic>() : nullptr;
	if (logic == nullptr)
		return nullptr;
	AvailableObjects* nearest = nullptr;
	double nearestDistance = 0.0;
	// The set's iteration order changes as it grows, so a tie goes by start order instead.
	for (const unsigned ownerId : logic->GetAvailableObjectOwners())
	{
		AvailableObjects* house = HouseOf(ownerId);
		const std::optional<Tuple3f> position = PositionOf(ownerId);
		if (house == nullptr || !position || house->GetHouseState() == AvailableObjects::kWhole)
			continue;
		const double distance = ownPosition.DistanceSquared(*position);
		if (nearest == nullptr || distance < nearestDistance ||
			(distance == nearestDistance && house->GetStartOrder() < nearest->GetStartOrder()))
		{
			nearest = house;
			nearestDistance = distance;
		}
	}
	const double reach = static_cast<double>(maxHouseDist) * maxHouseDist;
	return nearest != nullptr && nearestDistance < reach ? nearest : nullptr;
}

void RebuildHouse::Start()
{
	phase = kToHouse;
	placement = {};
	houseId = 0;
	const Transform* ownTransform = LeafRules::TransformOf(owner);
	AvailableObjects* house = ownTransform != nullptr ? ChooseHouse(ownTransform->GetWorldPosition()) : nullptr;
	if (house == nullptr)
	{
		status = Failure;
		return;
	}
	houseId = house->owner->GetId();
	std::optional<Tuple3f> target = PositionOf(houseId);
	if (house->GetHouseState() != AvailableObjects::kDestroyed)
	{
		house->RefreshRegion();
		if (house->Blackboard().Refresh())
		{
			placement = house->Blackboard().NextObject();
			target = PositionOf(placement.objectId);
		}
		if (placement.objectId == 0 || !target)
		{
			house->Blackboard().RemoveObject(placement);
			placement = {};
			// The rebuild ends once nothing has been fetched for a while: otherwise a slot no piece
			// can reach would keep the house "being rebuilt" for ever.
			house->EndRebuildIfStalled();
			status = Failure;
			return;
		}
		phase = kToPiece;
	}
	owner->HandleMessage(Message("SetSpeed").PushFloat(speed));
	WalkTo(*target);
	LeafRules::Animate(owner, "Walk");
	startTime = Logic::GameMilliseconds();
}

void RebuildHouse::Update()
{
	// No limit while carrying, not even after a long pause between two updates.
	if (phase != kCarrying && Logic::GameMilliseconds() - startTime > kLongestWalk)
	{
		// A piece beyond every path would otherwise be chosen again at each activation.
		if (AvailableObjects* house = House(); house != nullptr && phase == kToPiece)
			house->FetchFailed(placement.objectId);
		status = Failure;
		return;
	}
	const Transform* ownTransform = LeafRules::TransformOf(owner);
	AvailableObjects* house = House();
	if (ownTransform == nullptr || house == nullptr)
	{
		status = Failure;
		return;
	}
	const Tuple3f ownPosition = ownTransform->GetWorldPosition();
	switch (phase)
	{
	case kToHouse:
	{
		const std::optional<Tuple3f> housePosition = PositionOf(houseId);
		if (house->GetHouseState() != AvailableObjects::kDestroyed || !housePosition)
			status = Failure;
		else if (ownPosition.DistanceSquared(*housePosition) < kHouseReach * kHouseReach)
		{
			house->owner->HandleMessage(Message("Clear"));
			status = Success;
			phase = kDone;
		}
		break;
	}
	case kToPiece:
	{
		const std::optional<Tuple3f> piece = PositionOf(placement.objectId);
		// A piece destroyed on the way cannot be fetched; Finish gives its slot back.
		if (!piece)
			status = Failure;
		else if (ownPosition.DistanceSquared(*piece) < kPieceReach * kPieceReach)
			PickUp();
		// A piece that has moved from where the walk aims (still rolling from the blast, or kicked
		// since) is followed: walking on to the old spot, the builder would stop short of it and
		// stand there until the walk times out, and after two such walks give the piece up.
		else if (piece->DistanceSquared(aim) > kLargestAimError * kLargestAimError)
			WalkTo(*piece);
		break;
	}
	case kCarrying:
		// The hold point clears GHOST once it has reeled the piece in; carried on solid, the piece
		// would knock the pieces already set back out of their slots.
		SetPieceGhost(true);
		if (placement.position.DistanceSquared(ownPosition) < kSlotReach * kSlotReach)
		{
			ReleasePiece();
			house->owner->HandleMessage(Message("RestoreNextObject").Push(placement));
			SetPieceGhost(false);
			// Nothing else stops the golem once the house is whole; it would walk out of the world.
			if (house->GetHouseState() == AvailableObjects::kWhole)
				LeafRules::Send(owner, Message("StopPathing").PushBool(true));
			status = Success;
			phase = kDone;
		}
		break;
	case kDone:
		break;
	}
}

void RebuildHouse::PickUp()
{
	// Valid only while the message is delivered: the points copy what they keep.
	const std::vector<GolemPoints::PointDescription> holdPoints{{holdOffset, holdBone}};
	owner->HandleMessage(Message("SetPoints").Push(&holdPoints));
	WalkTo(placement.position);
	if (GolemPoints* points = owner->GetComponent<GolemPoints>())
		points->AttachObject(placement.objectId);
	SetPieceGhost(true);
	phase = kCarrying;
	startTime = Logic::GameMilliseconds();
}

void RebuildHouse::Finish()
{
	if (phase != kToPiece && phase != kCarrying)
		return;
	SetPieceGhost(false);
	if (phase == kCarrying)
		ReleasePiece();
	if (AvailableObjects* house = House())
		house->Blackboard().RemoveObject(placement);
}

AvailableObjects* RebuildHouse::House() const
{
	return HouseOf(houseId);
}

void RebuildHouse::WalkTo(const Tuple3f& target)
{
	aim = target;
	owner->HandleMessage(Message("SetEndPoint").Push(target));
	owner->HandleMessage(Message("AddWayPoint").Push(target));
}

void RebuildHouse::SetPieceGhost(bool ghost) const
{
	RigidBody* body = RigidBodyOf(placement.objectId);
	if (body == nullptr)
		return;
	if (ghost)
		body->flags |= kBodyGhost;
	else
		body->flags &= ~kBodyGhost;
}

void RebuildHouse::ReleasePiece() const
{
	if (GolemPoints* points = owner->GetComponent<GolemPoints>())
		points->ReleaseObject(placement.objectId);
}
