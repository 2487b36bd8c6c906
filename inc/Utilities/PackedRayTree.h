// PackedRayTree: the copy of an AABBTree that ray casts walk. Every internal node holds both
// children's boxes and references in one cache line, so a ray reads no pointer until it reaches
// a leaf; the owner keeps what each leaf's test reads in an array of its own, in leaf order.
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
	// leaves is the owner's array in leaf order and leafTest(leaves[index]) a leaf's exact hit
	// distance along the ray, negative (or not a number) for a miss; a leaf's entry starts loading
	// as soon as its box is entered. Of leaves hit at the same distance the leftmost wins. The
	// nearer child is entered first (the right one of two entered at the same distance), and a box
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

	struct alignas(64) Node
	{
		AABB boxes[2];
		ChildRef children[2] = {kNoChild, kNoChild};
	};

	// A child still to visit, with the distance at which the ray enters its box.
	struct Pending
	{
		ChildRef ref;
		float entry;
	};

	// Pushes a child and starts loading its node or leaf, which the walk will likely read soon.
	template <class Leaf>
	void Keep(Pending*& top, const Pending& child, const Leaf* leaves) const
	{
		*top++ = child;
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
			const float hit = leafTest(leaves[leaf]);
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
		const float leftEntry = node.children[0] == kNoChild ? kMiss : node.boxes[0].RayEntry(slabs);
		const float rightEntry = node.children[1] == kNoChild ? kMiss : node.boxes[1].RayEntry(slabs);
		// The nearer child on top, so its hit can rule the farther one out; a child the ray
		// misses is not kept at all.
		const bool rightFirst = leftEntry >= rightEntry;
		const Pending near = rightFirst ? Pending{node.children[1], rightEntry} : Pending{node.children[0], leftEntry};
		const Pending far = rightFirst ? Pending{node.children[0], leftEntry} : Pending{node.children[1], rightEntry};
		if (far.entry >= 0.0f)
			Keep(top, far, leaves);
		if (near.entry >= 0.0f)
			Keep(top, near, leaves);
	}
	if (nearest < 0.0f)
		return kMiss;
	hitLeaf = nearestLeaf;
	return nearest;
}
