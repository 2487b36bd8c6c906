// AvailableObjects: makes its object group a house that can be put back together. At level load it
// records where every piece stands in its building blackboard; later it finds which pieces still
// stand and which lie loose around the ground point below it, and on "RestoreNextObject" teleports
// one piece into its slot. It carries the house's state, which the RebuildHouse node reads, and a
// debug drawing of the slot tree. Both stored ints default to 10 when a file omits them. A rebuild
// that can fetch nothing more for kLongestStall ends with what stands, so no house stays "being
// rebuilt" for ever because a piece rolled out of reach.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Systems/Logic/BuildingBlackboard.h"

#include <cstdint>
#include <string>
#include <vector>

struct __AvailableObjectsName
{
	static constexpr const char* name = "AvailableObjects";
};

class AvailableObjects : public QuietComponent<AvailableObjects, __AvailableObjectsName>
{
public:
	enum HouseState : int
	{
		kDestroyed = 0,
		kBeingRebuilt = 1,
		// Whole, or its rebuild is over with the pieces that could be fetched.
		kWhole = 2,
	};

	// Game milliseconds a rebuild may go without placing a piece before it ends as it stands.
	static constexpr std::uint32_t kLongestStall = 30000;
	// Fetches of one piece that may fail before the rebuild gives it up.
	static constexpr long kFetchAttempts = 2;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	// Draws the slot tree at the chosen depth while debug drawing is on.
	bool Update() override;
	void Detach() override;

	// Records the group's pieces as they stand and finds the ground point below the owner; after
	// the level's colliders have been filed.
	void BuildBlackboard();
	// Tells the blackboard which pieces stand in the house's box and which lie in the search
	// cylinder, then rechecks it.
	void RefreshRegion();

	// The group's objects that can be pieces: movable bodies (or LOGIC ones) of objects that carry
	// no logic component and no PhysicsId.
	static bool IsPiece(unsigned objectId);

	// The builder could not reach the piece; after kFetchAttempts failures it is no longer
	// offered during this rebuild.
	void FetchFailed(unsigned objectId);
	// When the rebuild has placed nothing for kLongestStall, ends it with the pieces in place.
	void EndRebuildIfStalled();

	BuildingBlackboard& Blackboard() { return blackboard; }
	int GetHouseState() const { return houseState; }
	const Tuple3f& GetGroundPoint() const { return groundPoint; }
	// Counts the starts of every house of the process: the house started first has the lowest.
	std::uint64_t GetStartOrder() const { return startOrder; }

private:
	void OnClear(Message::Reader reader);
	void OnHouseDestroyed(Message::Reader reader);
	void OnCreated(Message::Reader reader);
	void OnIncDrawLevel(Message::Reader reader);
	void OnDecDrawLevel(Message::Reader reader);
	void OnToggleDebugDraw(Message::Reader reader);
	void OnRestoreNextObject(Message::Reader reader);
	// The records of the pieces among the bodies the shape finds; none when it finds nothing.
	static bool QueryPieces(int shape, const Tuple3f& position, const Tuple3f& scale, std::vector<ObjectBoundsRecord>& pieces);
	void BeginRebuild();
	// "House 'name' (object id)", for diagnostics.
	std::string Describe() const;
	bool IsGivenUp(unsigned objectId) const;

	Tuple3f groundPoint;
	int searchRadius = 10;
	int searchHeight = 10;
	int drawLevel = 0;
	bool debugDraw = false;
	int houseState = kWhole;
	std::uint64_t startOrder = 0;
	// Game milliseconds of the rebuild's start or its last placed piece.
	std::uint32_t lastProgress = 0;
	// One entry per failed fetch during this rebuild.
	std::vector<unsigned> failedFetches;
	BuildingBlackboard blackboard;
};
