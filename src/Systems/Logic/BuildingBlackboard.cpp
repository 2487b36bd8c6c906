#include "Systems/Logic/BuildingBlackboard.h"

#include "Components/Physics/Body.h"
#include "Object.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Random.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace
{
	using Node = BuildingBlackboard::Node;

	// Fit scores are volumes in cubic world units: a fit this good is taken at once, and none
	// worse than the largest mismatch is taken at all.
	constexpr double kAcceptAtOnce = 0.05;
	constexpr double kLargestMismatch = 0.5;
	// A piece fills a slot when it covers at least a tenth of it and is at most six times its size.
	constexpr double kLeastCover = 0.1;
	constexpr double kMostOversize = 6.0;
	// One of the house's own pieces stands in place only when it covers at least half of a slot
	// of its own shape.
	constexpr double kInPlaceCover = 0.5;
	// Query boxes are shrunk by 1 % about their centre, so that neighbours that only touch are apart.
	constexpr float kQueryShrink = 0.99f;
	// Slots whose volumes differ by less than this share a volume.
	constexpr double kSameVolume = 0.05;
	// Only nodes standing on the region's floor, within this height, are tried.
	constexpr float kFloorTolerance = 0.0001f;
	constexpr float kBlackboardQuarterTurn = 1.5707964f;
	constexpr double kNoFit = std::numeric_limits<float>::max();
	// The rest orientation a piece is measured in: a half turn about z.
	constexpr Quaternion kRestOrientation(0.0f, 0.0f, 1.0f, 0.0f);

	AABB Shrunk(const AABB& box)
	{
		const Tuple3f centre = box.Centre();
		const Tuple3f half = (box.max - box.min) * (0.5f * kQueryShrink);
		return {centre - half, centre + half};
	}

	AABB Intersection(const AABB& a, const AABB& b)
	{
		return {{std::max(a.min.x, b.min.x), std::max(a.min.y, b.min.y), std::max(a.min.z, b.min.z)},
			{std::min(a.max.x, b.max.x), std::min(a.max.y, b.max.y), std::min(a.max.z, b.max.z)}};
	}

	// The volume the two boxes share; 0 when they are apart on some axis.
	double SharedVolume(const AABB& a, const AABB& b)
	{
		const AABB shared = Intersection(a, b);
		for (int axis = 0; axis < 3; ++axis)
			if (shared.max[axis] <= shared.min[axis])
				return 0.0;
		return shared.Volume();
	}

	AABB Centred(const AABB& box)
	{
		const Tuple3f centre = box.Centre();
		return {box.min - centre, box.max - centre};
	}

	void SetSubtreeMissing(Node* node, std::uint32_t missing)
	{
		if (node == nullptr)
			return;
		node->available = missing;
		SetSubtreeMissing(node->left, missing);
		SetSubtreeMissing(node->right, missing);
	}

	// Whether the query box covers at least the least share of every slot below the node.
	bool CoversEachSlot(const AABB& query, const Node& node)
	{
		if (node.IsLeaf())
			return SharedVolume(query, node.box) >= kLeastCover * node.box.Volume();
		return CoversEachSlot(query, *node.left) && CoversEachSlot(query, *node.right);
	}

	// The slot and everything below and above it are filled.
	void MarkFilled(Node* slot)
	{
		SetSubtreeMissing(slot, 0);
		for (Node* ancestor = slot->parent; ancestor != nullptr; ancestor = ancestor->parent)
			ancestor->available = 0;
	}

	// The slot and everything below it are empty; so is every ancestor all of whose leaves now are.
	void MarkLost(Node* slot)
	{
		SetSubtreeMissing(slot, 1);
		for (Node* parent = slot->parent; parent != nullptr && parent->left->available && parent->right->available;
			 parent = parent->parent)
			parent->available = 1;
	}

	template <class List, class Value>
	bool Holds(const List& list, const Value& value)
	{
		return std::find(list.begin(), list.end(), value) != list.end();
	}

	template <class List, class Value>
	void EraseValue(List& list, const Value& value)
	{
		const auto found = std::find(list.begin(), list.end(), value);
		if (found != list.end())
			list.erase(found);
	}

	// Uniform in [0, bound]; wider draws are assembled from 15-bit ones, and draws past the
	// largest multiple of the range are drawn again so that no value is favoured.
	unsigned UniformUpTo(unsigned bound)
	{
		const std::uint64_t range = static_cast<std::uint64_t>(bound) + 1;
		std::uint64_t span = 1;
		while (span < range)
			span <<= 15;
		const std::uint64_t limit = span - span % range;
		for (;;)
		{
			std::uint64_t draw = 0;
			for (std::uint64_t covered = 1; covered < span; covered <<= 15)
				draw = (draw << 15) | static_cast<std::uint64_t>(tw::Rand());
			if (draw < limit)
				return static_cast<unsigned>(draw % range);
		}
	}

	void PreOrder(Node* node, std::vector<Node*>& out)
	{
		if (node == nullptr)
			return;
		out.push_back(node);
		PreOrder(node->left, out);
		PreOrder(node->right, out);
	}
}

ObjectBoundsRecord::ObjectBoundsRecord(unsigned objectId, const AABB& box)
	: volume(static_cast<float>(box.Volume())), min(box.min), max(box.max), objectId(objectId)
{
}

std::optional<ObjectBoundsRecord> ObjectBoundsRecord::Measure(unsigned objectId)
{
	const auto* body = static_cast<const Body*>(FindComponent(objectId, Body::TypeId()));
	if (body == nullptr || body->GetBody() == nullptr || body->GetBody()->collider == nullptr)
		return std::nullopt;
	const float* bounds = body->GetBody()->collider->GetBounds();
	return ObjectBoundsRecord(objectId, AABB{{bounds[0], bounds[1], bounds[2]}, {bounds[3], bounds[4], bounds[5]}});
}

BuildingBlackboard::BuildingBlackboard(const BuildingBlackboard& other)
{
	*this = other;
}

BuildingBlackboard& BuildingBlackboard::operator=(const BuildingBlackboard& other)
{
	if (this == &other)
		return *this;
	ClearAll();
	// The same boxes in the same order build the same tree; the two pre-order walks then pair
	// every node with its copy.
	builtBoxes = other.builtBoxes;
	builtPieces = other.builtPieces;
	tree.SetCollectFlag(true);
	for (const AABB& box : builtBoxes)
		tree.Insert(box);
	tree.Build();
	tree.NumberDepths(tree.Root(), 0);
	std::vector<Node*> from, to;
	PreOrder(other.tree.Root(), from);
	PreOrder(tree.Root(), to);
	std::unordered_map<const Node*, Node*> copyOf;
	for (std::size_t i = 0; i < from.size() && i < to.size(); ++i)
	{
		to[i]->available = from[i]->available;
		copyOf[from[i]] = to[i];
	}
	auto copyList = [&](const VolumeAABBTree::NodeList& source, VolumeAABBTree::NodeList& target) {
		for (Node* node : source)
			target.push_back(copyOf.at(node));
	};
	// The map iterates newest first: inserting oldest first keeps its order.
	std::vector<std::pair<unsigned, const VolumeAABBTree::NodeList*>> entries;
	for (const auto& [id, nodes] : other.pieceSlots)
		entries.emplace_back(id, &nodes);
	for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
		copyList(*entry->second, pieceSlots[entry->first]);
	copyList(other.uniqueSlots, uniqueSlots);
	copyList(other.missing, missing);
	copyList(other.takenSlots, takenSlots);
	loose = other.loose;
	takenPieces = other.takenPieces;
	misplaced = other.misplaced;
	complete = other.complete;
	return *this;
}

void BuildingBlackboard::ClearAll()
{
	pieceSlots.clear();
	tree.Clear();
	loose.clear();
	uniqueSlots.clear();
	missing.clear();
	takenSlots.clear();
	takenPieces.clear();
	builtBoxes.clear();
	builtPieces.clear();
	misplaced.clear();
	complete = false;
}

void BuildingBlackboard::Build(const std::vector<ObjectBoundsRecord>& pieces)
{
	ClearAll();
	tree.SetCollectFlag(true);
	std::vector<Node*> leaves;
	for (const ObjectBoundsRecord& piece : pieces)
	{
		if (pieceSlots.contains(piece.objectId))
			continue;
		builtBoxes.push_back(piece.Box());
		builtPieces.push_back(piece.objectId);
		leaves.push_back(tree.Insert(piece.Box()));
		pieceSlots[piece.objectId].push_back(leaves.back());
	}
	tree.Build();
	tree.NumberDepths(tree.Root(), 0);
	for (const auto& entry : pieceSlots)
		MarkFilled(entry.second[0]);
	FindUniqueSlots(leaves);
	complete = true;
}

void BuildingBlackboard::FindUniqueSlots(const std::vector<Node*>& leaves)
{
	// Volumes are grouped under their value rounded to a tenth; within a bucket a leaf joins the
	// first group whose volume is close enough.
	struct VolumeGroup
	{
		double volume;
		Node* firstLeaf;
		unsigned size;
	};
	std::vector<VolumeGroup> groups;
	std::unordered_map<float, std::vector<std::size_t>> buckets;
	for (Node* leaf : leaves)
	{
		const double volume = leaf->box.Volume();
		const float key = std::floor(static_cast<float>(volume) * 10.0f + 0.5f) / 10.0f;
		std::vector<std::size_t>& bucket = buckets[key];
		const auto same = std::find_if(bucket.begin(), bucket.end(),
			[&](std::size_t group) { return std::fabs(groups[group].volume - volume) < kSameVolume; });
		if (same != bucket.end())
			++groups[*same].size;
		else
		{
			bucket.push_back(groups.size());
			groups.push_back({volume, leaf, 1});
		}
	}
	for (auto group = groups.rbegin(); group != groups.rend(); ++group)
		if (group->size == 1)
			uniqueSlots.push_back(group->firstLeaf);
}

void BuildingBlackboard::MarkPresent(const std::vector<ObjectBoundsRecord>& pieces)
{
	pieceSlots.clear();
	misplaced.clear();
	VolumeAABBTree::MarkAllNodes(tree.Root());
	if (tree.Root() == nullptr)
		return;
	for (const ObjectBoundsRecord& piece : pieces)
	{
		const AABB query = Shrunk(piece.Box());
		tree.SetQueryBox(query);
		VolumeAABBTree::NodeList candidates;
		if (tree.Overlaps(tree.Root(), candidates))
			candidates.push_back(tree.Root());
		const double queryVolume = query.Volume();
		for (std::uint32_t i = 0; i < candidates.size();)
		{
			Node* slot = candidates[i];
			// A group of slots is filled only when each of them is; otherwise its two halves are
			// judged on their own. Judged as a whole, a piece nudged a centimetre onto its
			// neighbours would touch every slot of the layer, cover a tenth of the layer and so
			// fill all of it, and the house would count as standing with a slot still empty.
			if (!slot->IsLeaf() && !CoversEachSlot(query, *slot))
			{
				candidates[i] = slot->left;
				candidates.push_back(slot->right);
				continue;
			}
			const double slotVolume = slot->box.Volume();
			const double cover = SharedVolume(query, slot->box) / slotVolume;
			const double oversize = queryVolume / slotVolume;
			// Written so that a flat slot (NaN ratios) fills nothing.
			if (!(cover >= kLeastCover && oversize <= kMostOversize))
			{
				candidates.erase(candidates.begin() + i);
				continue;
			}
			MarkFilled(slot);
			++i;
		}
		if (candidates.empty())
			continue;
		pieceSlots[piece.objectId] = candidates;
		if (IsMisplaced(piece.objectId, query, candidates))
			misplaced.push_back(piece.objectId);
	}
}

bool BuildingBlackboard::IsMisplaced(unsigned objectId, const AABB& query, const VolumeAABBTree::NodeList& slots) const
{
	// Anything but the house's own pieces fills the slots as it stands.
	if (!Holds(builtPieces, objectId))
		return false;
	const std::optional<AABB> shape = RestBox(objectId);
	// A piece stands in a slot only when its shape fits the slot and covers half of it: otherwise a
	// roof slab leaning on the ground under its slot, a tenth of it inside, would count as standing
	// there, and it would never be carried up nor anything else go into the slot.
	return shape && std::none_of(slots.begin(), slots.end(), [&](const Node* slot) {
		return FitBox(*shape, *slot).score <= kLargestMismatch && SharedVolume(query, slot->box) >= kInPlaceCover * slot->box.Volume();
	});
}

void BuildingBlackboard::SetAvailable(const std::vector<ObjectBoundsRecord>& pieces)
{
	loose.clear();
	for (const ObjectBoundsRecord& piece : pieces)
		if ((!pieceSlots.contains(piece.objectId) || Holds(misplaced, piece.objectId)) && !Holds(takenPieces, piece.objectId) &&
			!ObjectFromId(piece.objectId).IsDummy())
			loose.push_back(piece);
	for (std::size_t i = 1; i < loose.size(); ++i)
		std::swap(loose[i], loose[UniformUpTo(static_cast<unsigned>(i))]);
	// Stable, so that the shuffle alone orders pieces of equal volume.
	std::stable_sort(loose.begin(), loose.end(),
		[](const ObjectBoundsRecord& a, const ObjectBoundsRecord& b) { return a.volume > b.volume; });
}

bool BuildingBlackboard::Refresh()
{
	missing.clear();
	unsigned lost = 0;
	std::vector<ObjectBoundsRecord> standing;
	std::vector<unsigned> emptied;
	for (auto& [id, slots] : pieceSlots)
	{
		// A piece whose object has gone has left all its slots.
		const std::optional<ObjectBoundsRecord> now = ObjectBoundsRecord::Measure(id);
		const AABB query = now ? Shrunk(now->Box()) : AABB{};
		for (std::uint32_t i = 0; i < slots.size();)
		{
			Node* slot = slots[i];
			if (now && slot->box.Overlaps(query))
			{
				++i;
				continue;
			}
			MarkLost(slot);
			slots.erase(slots.begin() + i);
			++lost;
		}
		if (slots.empty())
			emptied.push_back(id);
		else
			standing.push_back(*now);
	}
	for (unsigned id : emptied)
		pieceSlots.erase(id);
	if (lost > 0)
		MarkPresent(standing);
	UpdateMissing();
	return !missing.empty();
}

void BuildingBlackboard::UpdateMissing()
{
	missing.clear();
	tree.CollectOverlapping(tree.Root(), missing);
	for (std::uint32_t i = 0; i < missing.size();)
		if (IsTaken(missing[i]))
			missing.erase(missing.begin() + i);
		else
			++i;
	complete = takenSlots.empty() && missing.empty();
}

bool BuildingBlackboard::IsTaken(const Node* node) const
{
	return Holds(takenSlots, node);
}

BuildingBlackboard::ObjPos BuildingBlackboard::NextObject()
{
	if (missing.empty())
		return {};
	std::size_t bestPiece = loose.size();
	SlotChoice best;
	double bestScore = kNoFit;
	for (std::size_t i = 0; i < loose.size(); ++i)
	{
		// Measured once here, not once per slot tried.
		const std::optional<AABB> piece = RestBox(loose[i].objectId);
		if (!piece)
			continue;
		const bool leavesOnly = std::any_of(uniqueSlots.begin(), uniqueSlots.end(),
			[&](const Node* slot) { return FitBox(*piece, *slot).score < kAcceptAtOnce; });
		const SlotChoice choice = BestSlotForPiece(*piece, leavesOnly);
		if (choice.fit.score < bestScore)
		{
			best = choice;
			bestScore = choice.fit.score;
			bestPiece = i;
			if (choice.found)
				break;
		}
	}
	if (best.slot == nullptr || bestScore > kLargestMismatch)
		return {};
	const unsigned pieceId = loose[bestPiece].objectId;
	loose.erase(loose.begin() + static_cast<std::ptrdiff_t>(bestPiece));
	takenPieces.push_back(pieceId);
	takenSlots.push_back(best.slot);
	return {pieceId, best.slot->box.Centre(), best.fit.rotation, best.slot};
}

BuildingBlackboard::SlotChoice BuildingBlackboard::BestSlotForPiece(const AABB& centredPiece, bool leavesOnly) const
{
	SlotChoice best;
	best.fit.score = kNoFit;
	for (Node* region : missing)
	{
		SlotChoice choice = BestSlotInSubtree(centredPiece, leavesOnly, region, region->box.min.y);
		if (choice.found)
			return choice;
		if (choice.fit.score < best.fit.score)
			best = choice;
	}
	best.found = false;
	return best;
}

BuildingBlackboard::SlotChoice BuildingBlackboard::BestSlotInSubtree(const AABB& centredPiece, bool leavesOnly,
	Node* node, float floorY) const
{
	SlotChoice none;
	none.fit.score = kNoFit;
	if (node == nullptr || node->box.min.y - kFloorTolerance > floorY || IsTaken(node) ||
		(node->left != nullptr && IsTaken(node->left) && IsTaken(node->right)))
		return none;
	const bool scored = !(leavesOnly && !node->IsLeaf());
	SlotChoice own = none;
	if (scored)
		own = {false, node, FitBox(centredPiece, *node)};
	if (own.fit.score <= kAcceptAtOnce)
		return {true, node, own.fit};
	const SlotChoice left = BestSlotInSubtree(centredPiece, leavesOnly, node->left, floorY);
	if (left.found)
		return left;
	const SlotChoice right = BestSlotInSubtree(centredPiece, leavesOnly, node->right, floorY);
	if (right.found)
		return right;
	if (scored && own.fit.score <= left.fit.score && own.fit.score <= right.fit.score)
		return own;
	return right.fit.score <= left.fit.score ? right : left;
}

void BuildingBlackboard::RemoveObject(const ObjPos& placement)
{
	EraseValue(takenSlots, placement.slot);
	EraseValue(takenPieces, placement.objectId);
}

std::optional<BuildingBlackboard::Fit> BuildingBlackboard::FitPiece(unsigned objectId, const Node& slot)
{
	const std::optional<AABB> piece = RestBox(objectId);
	if (!piece)
		return std::nullopt;
	return FitBox(*piece, slot);
}

std::optional<AABB> BuildingBlackboard::RestBox(unsigned objectId)
{
	// The box the collider would have in the rest orientation, found from its pieces' support
	// points rather than by turning the body there and back: that round trip through the
	// Transform's floats can shift a resting piece and wake it.
	const auto* component = static_cast<const Body*>(FindComponent(objectId, Body::TypeId()));
	const RigidBody* body = component != nullptr ? component->GetBody() : nullptr;
	if (body == nullptr || body->collider == nullptr || body->collider->GetGeometryCount() == 0)
		return std::nullopt;
	const Quaternion current = body->orientation;
	AABB box{{kUnboundedDistance, kUnboundedDistance, kUnboundedDistance}, {-kUnboundedDistance, -kUnboundedDistance, -kUnboundedDistance}};
	for (unsigned i = 0; i < body->collider->GetGeometryCount(); ++i)
	{
		const ConvexGeometry& geometry = *body->collider->GetGeometry(i);
		for (int axis = 0; axis < 3; ++axis)
			for (const float sign : {1.0f, -1.0f})
			{
				Tuple3f direction;
				direction[axis] = sign;
				const Tuple3f worldDirection = Quaternion::Rotate(current, Quaternion::InverseRotate(kRestOrientation, direction));
				const Tuple3f point = Quaternion::Rotate(kRestOrientation,
					Quaternion::InverseRotate(current, geometry.Support(worldDirection)));
				box.min[axis] = std::min(box.min[axis], point[axis]);
				box.max[axis] = std::max(box.max[axis], point[axis]);
			}
	}
	return Centred(box);
}

BuildingBlackboard::Fit BuildingBlackboard::FitBox(const AABB& centredPiece, const Node& slot)
{
	const AABB centredSlot = Centred(slot.box);
	double best = SharedVolume(centredPiece, centredSlot);
	int bestAxis = -1;
	// Strictly better only: of equal fits no turn wins, then x, then y.
	for (int axis = 0; axis < 3; ++axis)
	{
		AABB turned = centredPiece;
		turned.RotateQuarterTurn(axis);
		const double shared = SharedVolume(turned, centredSlot);
		if (shared > best)
		{
			best = shared;
			bestAxis = axis;
		}
	}
	Fit fit;
	if (bestAxis >= 0)
		fit.rotation[bestAxis] = kBlackboardQuarterTurn;
	fit.score = std::fabs(centredPiece.Volume() + centredSlot.Volume() - 2.0 * best);
	return fit;
}

std::ostream& operator<<(std::ostream& output, const BuildingBlackboard::ObjPos& placement)
{
	return output << placement.objectId << ' ' << placement.position.x << ' ' << placement.position.y << ' '
				  << placement.position.z << ' ' << placement.rotation.x << ' ' << placement.rotation.y << ' '
				  << placement.rotation.z;
}
