// PackedRayTree: the copy of an AABBTree that ray casts walk. Each node gathers up to four
// subtrees of the binary tree, their boxes stored axis by axis so one pass tests all four, with
// their references in the same two cache lines: a ray reads no pointer until it reaches a leaf.
// The owner keeps what each leaf's test reads in an array of its own, in leaf order.
// AABBTree packs one for its ray casts, the static triangle mesh one over its triangles.
#pragma once

#include "Utilities/AABB.h"
#include "Utilities/Tuple.h"

#include <algorithm>
#include <cstdint>
#include <vector>

struct AABBTreeNode;
struct AABBTreeLeafNode;

class PackedRayTree
{
public:
	// Copies the tree below root (null: an empty tree), each box as it is now. Gives the leaves
	// left to right: a leaf test is handed its leaf's index in this list.
	std::vector<const AABBTreeLeafNode*> Pack(const AABBTreeNode* root);

	// The nearest hit distance, with its leaf's index in hitLeaf; -1 (hitLeaf untouched) for none.
	// leaves is the owner's array in leaf order and leafTest(leaves[index], bound) a leaf's exact hit
	// distance along the ray, negative (or not a number) for a miss, where bound is farthest or the
	// nearest hit so far: a leaf may answer a miss for a hit beyond it; a leaf's entry starts loading
	// as soon as its box is entered. Of leaves hit at the same distance the leftmost wins. Nearer
	// children are entered first (the left one of two entered at the same distance), and a box
	// entered beyond farthest or beyond the nearest hit so far is skipped.
	template <class Leaf, class LeafTest>
	float RayCast(const Tuple3f& origin, const Tuple3f& direction, float farthest, const Leaf* leaves,
		LeafTest&& leafTest, std::uint32_t& hitLeaf) const;

private:
	// An internal node's index, a leaf's index with kLeafBit set, or kNoChild.
	using ChildRef = std::uint32_t;
	static constexpr ChildRef kLeafBit = 0x80000000u;
	static constexpr ChildRef kNoChild = 0xffffffffu;
	static constexpr float kMiss = -1.0f;

	// As many children as one pass of the slab test takes side by side.
	static constexpr int kWidth = RaySlabs::kBoxLanes;

	struct alignas(64) Node
	{
		// lows[axis][slot], highs[axis][slot]: the children's boxes axis by axis.
		RaySlabs::BoxLanes lows[3] = {};
		RaySlabs::BoxLanes highs[3] = {};
		ChildRef children[kWidth] = {kNoChild, kNoChild, kNoChild, kNoChild};

		void SetBox(int slot, const AABB& box);
	};

	// A child still to visit, with the distance at which the ray enters its box.
	struct Pending
	{
		ChildRef ref;
		float entry;
	};

	// Starts loading a kept child's node or leaf, which the walk will likely read soon.
	template <class Leaf>
	void Prefetch(const Pending& child, const Leaf* leaves) const
	{
		if (child.ref & kLeafBit)
			__builtin_prefetch(leaves + (child.ref & ~kLeafBit));
		else
			__builtin_prefetch(&nodes[child.ref]);
	}

	AABB rootBox;
	ChildRef rootRef = kNoChild;
	// Pre-order, so a node's left child is the next one.
	std::vector<Node> nodes;
	// The walk's stack, sized by Pack for the deepest path: a cast allocates nothing.
	mutable std::vector<Pending> pending;
};

template <class Leaf, class LeafTest>
float PackedRayTree::RayCast(const Tuple3f& origin, const Tuple3f& direction, float farthest, const Leaf* leaves,
	LeafTest&& leafTest, std::uint32_t& hitLeaf) const
{
	if (rootRef == kNoChild)
		return kMiss;
	const RaySlabs slabs(origin, direction);
	// What prunes boxes: farthest, then the nearest hit so far.
	float bound = farthest;
	float nearest = kMiss;
	ChildRef nearestLeaf = 0;
	Pending* const bottom = pending.data();
	Pending* top = bottom;
	*top++ = {rootRef, rootBox.RayEntry(slabs)};
	while (top != bottom)
	{
		const Pending next = *--top;
		if (next.entry < 0.0f || next.entry > bound)
			continue;
		if (next.ref & kLeafBit)
		{
			const ChildRef leaf = next.ref & ~kLeafBit;
			const float hit = leafTest(leaves[leaf], bound);
			if (!(hit >= 0.0f))
				continue;
			bound = std::min(bound, hit);
			if (nearest < 0.0f || hit < nearest || (hit == nearest && leaf < nearestLeaf))
			{
				nearest = hit;
				nearestLeaf = leaf;
			}
			continue;
		}
		const Node& node = nodes[next.ref];
		const RaySlabs::BoxLanes entries = slabs.Entries(node.lows, node.highs);
		// The entered children kept farthest first, so that the nearest is walked first and its hit
		// can rule the farther ones out; a child the ray misses is not kept at all.
		Pending* const firstKept = top;
		for (int slot = 0; slot < kWidth; ++slot)
		{
			if (node.children[slot] == kNoChild || !(entries[slot] >= 0.0f) || entries[slot] > bound)
				continue;
			Pending* place = firstKept;
			while (place != top && place->entry > entries[slot])
				++place;
			std::copy_backward(place, top, top + 1);
			*place = {node.children[slot], entries[slot]};
			++top;
		}
		for (const Pending* kept = firstKept; kept != top; ++kept)
			Prefetch(*kept, leaves);
	}
	if (nearest < 0.0f)
		return kMiss;
	hitLeaf = nearestLeaf;
	return nearest;
}
