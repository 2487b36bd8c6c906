// BuildingBlackboard: the memory of one house. It records where each piece stood at level load
// (its slots, in a volume tree), learns which slots are filled now and which loose pieces lie
// about, and answers which loose piece goes back next, into which slot, turned how. Slots are
// offered bottom-up (only the lowest empty layer) and matched by shape. Owned by AvailableObjects;
// read by the RebuildHouse node.
#pragma once

#include "Utilities/AABB.h"
#include "Utilities/HashMap.h"
#include "Utilities/UnorderedVector.h"
#include "Utilities/VolumeAABBTree.h"

#include <optional>
#include <ostream>
#include <vector>

// A piece as measured now: its collider's world box.
struct ObjectBoundsRecord
{
	float volume = 0.0f;
	Tuple3f min;
	Tuple3f max;
	unsigned objectId = 0;

	ObjectBoundsRecord() = default;
	ObjectBoundsRecord(unsigned objectId, const AABB& box);
	// The record of the object's Body collider; none when the object, body or collider has gone.
	static std::optional<ObjectBoundsRecord> Measure(unsigned objectId);

	AABB Box() const { return {min, max}; }
};

class BuildingBlackboard
{
public:
	using Node = VolumeAABBTree::Node;

	// One placement: the piece, the centre of its slot, the turn it needs (radians, a quarter on
	// at most one axis) and the slot reserved for it. objectId 0: nothing to place.
	struct ObjPos
	{
		unsigned objectId = 0;
		Tuple3f position;
		Tuple3f rotation;
		Node* slot = nullptr;
	};

	// How well a piece fills a slot: the turn to give it and the volume of the two boxes'
	// symmetric difference (0 is a perfect fit).
	struct Fit
	{
		Tuple3f rotation;
		double score = 0.0;
	};

	BuildingBlackboard() = default;
	// The copy holds its own slot tree, with the same slots filled, missing and reserved.
	BuildingBlackboard(const BuildingBlackboard& other);
	BuildingBlackboard& operator=(const BuildingBlackboard& other);

	// Records every piece as standing in its slot (ids already recorded are skipped); what was
	// recorded before is forgotten.
	void Build(const std::vector<ObjectBoundsRecord>& pieces);
	// The pieces standing in the house's area: which slots each of them fills, from scratch.
	void MarkPresent(const std::vector<ObjectBoundsRecord>& pieces);
	// The pieces lying about: those neither in place nor promised become the loose ones, shuffled
	// with tw::Rand and then largest first. A house piece that fills only slots of another shape (a
	// roof slab fallen where wall bricks stood), or barely reaches into those of its own shape, is
	// loose as well: it keeps those slots filled, so nothing is put into it, until the builder
	// carries it off to a slot of its own shape; else it held them for good, and neither it nor
	// the bricks were ever put back.
	void SetAvailable(const std::vector<ObjectBoundsRecord>& pieces);
	// Rechecks the pieces in place (a piece whose object has gone loses its slots); true when some
	// slot of the lowest empty layer is not promised.
	bool Refresh();
	// Chooses and reserves the next placement; objectId 0 when no loose piece fits well enough.
	ObjPos NextObject();
	// Releases a reservation once its piece was placed or given up. The slot pointer is only
	// compared, never followed, so a stale or foreign placement releases nothing.
	void RemoveObject(const ObjPos& placement);

	// How the piece of the object fits the slot, measured in its rest orientation (a half turn
	// about z). The piece is only read: its Transform and body stay bit-identical. None when the
	// piece cannot be measured.
	static std::optional<Fit> FitPiece(unsigned objectId, const Node& slot);

	// Nothing missing and nothing promised.
	bool IsComplete() const { return complete; }
	// The house's bounds: the root slot box; none before a build with pieces.
	const Node* Root() const { return tree.Root(); }
	VolumeAABBTree& Tree() { return tree; }
	const std::vector<ObjectBoundsRecord>& Loose() const { return loose; }
	const VolumeAABBTree::NodeList& Missing() const { return missing; }

private:
	struct SlotChoice
	{
		bool found = false;
		Node* slot = nullptr;
		Fit fit;
	};

	// The piece's box centred on the origin in its rest orientation; none when it cannot be measured.
	static std::optional<AABB> RestBox(unsigned objectId);
	static Fit FitBox(const AABB& centredPiece, const Node& slot);
	SlotChoice BestSlotForPiece(const AABB& centredPiece, bool leavesOnly) const;
	SlotChoice BestSlotInSubtree(const AABB& centredPiece, bool leavesOnly, Node* node, float floorY) const;
	bool IsTaken(const Node* node) const;
	// One of the house's own pieces that fits none of the slots it fills, or covers too little
	// of those it fits; query is its box as MarkPresent measured it.
	bool IsMisplaced(unsigned objectId, const AABB& query, const VolumeAABBTree::NodeList& slots) const;
	void UpdateMissing();
	// The slots whose volume no other slot shares.
	void FindUniqueSlots(const std::vector<Node*>& leaves);
	void ClearAll();

	tw::hash_map<unsigned, tw::unordered_vector<Node*>> pieceSlots;
	VolumeAABBTree tree;
	std::vector<ObjectBoundsRecord> loose;
	VolumeAABBTree::NodeList uniqueSlots;
	VolumeAABBTree::NodeList missing;
	VolumeAABBTree::NodeList takenSlots;
	tw::unordered_vector<unsigned> takenPieces;
	bool complete = false;
	// The boxes the tree was built from, in build order: a copy rebuilds the same tree from them.
	std::vector<AABB> builtBoxes;
	// The house's own pieces, as built; those of them that stand only in slots of another shape.
	tw::unordered_vector<unsigned> builtPieces;
	tw::unordered_vector<unsigned> misplaced;
};

// The text form of a placement: the id, the position and the rotation, separated by spaces.
std::ostream& operator<<(std::ostream& output, const BuildingBlackboard::ObjPos& placement);
