// RebuildHouse: the golem's behaviour leaf that puts a knocked-down house back, one step per
// activation. It picks the nearest house in range that is not whole; a ruin it walks to and
// declares under rebuilding ("Clear"); otherwise it fetches the loose piece the house's blackboard
// chooses, carries it on a hold point to its slot and lets the house set it in place.
#pragma once

#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Logic/BuildingBlackboard.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

class AvailableObjects;
class Composition;

class RebuildHouse final : public BehaviorNode
{
public:
	enum Phase : int
	{
		kToHouse = 0,
		kToPiece = 1,
		kCarrying = 2,
		kDone = 3,
	};

	// Walking (not carrying) longer than this fails.
	static constexpr std::uint32_t kLongestWalk = 20000;
	static constexpr float kHouseReach = 4.0f;
	static constexpr float kPieceReach = 2.0f;
	static constexpr float kSlotReach = 6.0f;
	// The path follower stops within PathMovement::kReachedDistance of where it is sent: a piece
	// that lies further than this from there is walked to anew, so that the builder stops within
	// kPieceReach of it.
	static constexpr float kLargestAimError = 0.5f;

	RebuildHouse();

	void Deserialize(Serializer& serializer) override;
	void Serialize(Serializer& serializer) const override;
	void Start() override;
	void Update() override;
	// Puts down a piece fetched or carried but not placed and gives its reservation back.
	void Finish() override;

	Phase GetPhase() const { return phase; }
	unsigned GetHouseId() const { return houseId; }
	const BuildingBlackboard::ObjPos& GetPlacement() const { return placement; }

private:
	// The nearest house in range that is not whole (of equal distances, the one started first);
	// null when there is none.
	AvailableObjects* ChooseHouse(const Tuple3f& ownPosition) const;
	// The house the node chose, while its object and component live.
	AvailableObjects* House() const;
	void WalkTo(const Tuple3f& target);
	void PickUp();
	void SetPieceGhost(bool ghost) const;
	void ReleasePiece() const;

	float maxHouseDist = 0.0f;
	float speed = 0.0f;
	std::string holdBone;
	Tuple3f holdOffset;
	BuildingBlackboard::ObjPos placement;
	unsigned houseId = 0;
	// Where the builder was last sent.
	Tuple3f aim;
	Phase phase = kToHouse;
	std::uint32_t startTime;
};
