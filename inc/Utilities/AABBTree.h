// AABBTree: a binary bounding-volume tree over boxes owned by the caller (static colliders,
// the triangles of a static mesh). Filled while a level loads and built top-down in one
// pass; afterwards single leaves can be added and removed. Answers box-overlap queries, ray
// casts that ask each leaf's owner for the exact hit, and the lookup of a leaf by its data.
// Ray casts walk a packed copy of the tree, made again on the first cast after a change.
#pragma once

#include "Utilities/AABB.h"
#include "Utilities/BoxTree.h"
#include "Utilities/PackedRayTree.h"
#include "Utilities/Tuple.h"

#include <vector>

struct AABBTreeNode : BoxTreeNode<AABBTreeNode>
{
	const AABB* box = nullptr;
};

// Holds the union of its children's boxes as they were when it was made (removals do not shrink it).
struct AABBTreeInternalNode : AABBTreeNode
{
	AABBTreeInternalNode() { box = &ownBox; }
	void UniteChildBoxes() { ownBox = AABB::Union(*left->box, *right->box); }
	AABB ownBox;
};

struct AABBTreeLeafNode;

class AABBTree : public BoxTree<AABBTreeNode, AABBTreeInternalNode>
{
public:
	// The owner's value a leaf carries (a collider or triangle pointer) and hands back.
	using UserData = void*;
	// The exact hit distance along the ray for a leaf's owner, negative for a miss. A hit beyond
	// farthest (the nearest hit the walk holds) may be answered as a miss.
	using RayTest = float (*)(UserData data, const Tuple3f* origin, const Tuple3f* direction, float farthest);

	using Node = AABBTreeNode;
	using LeafNode = AABBTreeLeafNode;
	using InternalNode = AABBTreeInternalNode;

	// A new leaf over the caller's box (which must outlive it; a box changed in place counts
	// once Refit has run, or once its leaf was removed and inserted again). Collecting, it waits for Build; otherwise it joins at the top,
	// as right child of a new root.
	LeafNode* Insert(const AABB* box, UserData data, RayTest rayTest);
	// Builds the tree top-down over the collected leaves (and the leaves already in the
	// tree) by a surface-area-and-volume cost, numbers the depths and stops collecting. Ranges
	// whose centres do not separate, and every range past a fixed depth, are halved by count,
	// so copies of one box or boxes nested in each other still build a shallow tree.
	void Build();
	// Detaches and deletes a leaf, then each ancestor left without children.
	void RemoveNode(LeafNode* leaf);
	// Deletes every node, collected ones included; stops collecting.
	void Clear();
	// After the caller changed leaves' boxes in place: every internal box becomes the union of its
	// children's again, the shape of the tree staying as it is.
	void Refit();

	// A distance beyond any hit.
	static constexpr float kNoHitYet = 1e12f;

	// Appends every leaf whose box overlaps the query box (touching counts).
	void QueryBox(const AABB& query, std::vector<LeafNode*>& out) const;
	// The nearest hit distance, writing the hit leaf's data; -1 (data untouched) for none.
	// Of leaves hit at the same distance the leftmost in the tree wins. Boxes the ray enters
	// beyond farthest are not visited: a caller holding a hit from elsewhere passes its distance.
	float RayCast(const Tuple3f& origin, const Tuple3f& direction, UserData& hitData, float farthest = kNoHitYet) const;
	// The leaf holding data whose box contains point, or null.
	LeafNode* QueryPoint(UserData data, const Tuple3f& point) const;

private:
	class Builder;

	void AdoptLeavesOfTree();
	// Clears the link to node in its parent (or the root).
	void DetachFromParent(Node* node);

	struct RayLeaf
	{
		UserData data;
		RayTest rayTest;
	};

	// Ray casts are const: the packed copy is a cache they bring up to date.
	mutable PackedRayTree packed;
	mutable std::vector<RayLeaf> rayLeaves;
	mutable bool packedStale = true;
};

// Refers to the caller's box, which must outlive the leaf; the box is not copied.
struct AABBTreeLeafNode : AABBTreeNode
{
	AABBTree::UserData data = nullptr;
	AABBTree::RayTest rayTest = nullptr;
};
