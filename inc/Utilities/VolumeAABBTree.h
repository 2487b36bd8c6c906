// VolumeAABBTree: a bounding-volume tree over boxes that stand for solid volumes (the pieces
// of a house). It copies the boxes, builds bottom-up by merging the pair that wastes the least
// volume, and answers which whole volumes overlap a box and which whole volumes lie lowest.
// A node is whole when it is a leaf or when its two children fill its box.
#pragma once

#include "Utilities/AABB.h"
#include "Utilities/BoxTree.h"
#include "Utilities/UnorderedVector.h"

#include <cstdint>

struct VolumeAABBTreeNode : BoxTreeNode<VolumeAABBTreeNode>
{
	AABB box;
	// Set when made and by MarkAllNodes; users clear it on nodes they have consumed.
	std::uint32_t available = 1;
};

// Its box is the union of its children's.
struct VolumeAABBTreeInternalNode : VolumeAABBTreeNode
{
	void UniteChildBoxes() { box = AABB::Union(left->box, right->box); }
};

class VolumeAABBTree : public BoxTree<VolumeAABBTreeNode, VolumeAABBTreeInternalNode>
{
public:
	using Node = VolumeAABBTreeNode;
	using LeafNode = VolumeAABBTreeNode;
	using InternalNode = VolumeAABBTreeInternalNode;
	using NodeList = tw::unordered_vector<Node*>;

	// A new leaf holding a copy of box. Collecting, it waits for Build; otherwise it joins at
	// the top, as right child of a new root.
	LeafNode* Insert(const AABB& box);
	// Merges the collected nodes (and a tree already built, as one of them) bottom-up, the
	// cheapest pair first, and stops collecting. Depths are numbered by NumberDepths.
	void Build();

	// Numbered on request rather than by the build: pre-order from node at the given depth.
	using BoxTree::NumberDepths;
	// Makes every node of the subtree available again.
	static void MarkAllNodes(Node* node);

	void SetQueryBox(const AABB& box) { queryBox = box; }
	// Whether node overlaps the query box as a whole (touching counts). Where only parts of it
	// do, the largest overlapping whole parts are appended to out and the result is false.
	bool Overlaps(Node* node, NodeList& out) const;
	// Gathers into out the lowest available whole volumes below node: those whose bottom lies
	// within 0.1 of the lowest one found.
	void CollectOverlapping(Node* node, NodeList& out) const;

	// The depth whose boxes DebugDrawDepth draws.
	void SetDebugDepth(int depth) { debugDepth = depth; }
	// Draws the box of every node at the debug depth: available ones in one colour,
	// consumed ones in another with a small sphere at the centre.
	void DebugDrawDepth(const Node* node) const;

	// What merging two nodes costs: the volume their union wastes, or, for two pieces of
	// equal volume that tile their union, minus its surface over theirs (ranking first).
	static double PairCost(const AABB& a, const AABB& b);

private:
	class Builder;

	int debugDepth = 0;
	AABB queryBox;
};
