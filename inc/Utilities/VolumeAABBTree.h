// VolumeAABBTree: a bounding-volume tree over boxes that stand for solid volumes (the pieces
// of a house). It copies the boxes, builds bottom-up by merging the pair that wastes the least
// volume, and answers which whole volumes overlap a box and which whole volumes lie lowest.
// A node is whole when it is a leaf or when its two children fill its box.
#pragma once

#include "Utilities/AABB.h"
#include "Utilities/UnorderedVector.h"

#include <cstdint>
#include <vector>

class VolumeAABBTree
{
public:
	struct Node
	{
		virtual ~Node() = default;
		bool IsLeaf() const { return left == nullptr && right == nullptr; }

		Node* parent = nullptr;
		Node* left = nullptr;
		Node* right = nullptr;
		AABB box;
		int depth = 0;
		// Set when made and by MarkAllNodes; users clear it on nodes they have consumed.
		std::uint32_t available = 1;
	};

	struct LeafNode : Node
	{
	};

	// Its box is the union of its children's.
	struct InternalNode : Node
	{
	};

	using NodeList = tw::unordered_vector<Node*>;

	VolumeAABBTree() = default;
	~VolumeAABBTree();
	VolumeAABBTree(const VolumeAABBTree&) = delete;
	VolumeAABBTree& operator=(const VolumeAABBTree&) = delete;

	// While set, inserted leaves wait for Build instead of joining the tree one by one.
	void SetCollectFlag(bool collect) { collecting = collect; }
	bool IsCollecting() const { return collecting; }

	// A new leaf holding a copy of box. Collecting, it waits for Build; otherwise it joins at
	// the top, as right child of a new root.
	LeafNode* Insert(const AABB& box);
	// Merges the collected nodes (and a tree already built, as one of them) bottom-up, the
	// cheapest pair first, and stops collecting. Depths are numbered by NumberDepths.
	void Build();
	// Deletes every node, collected ones included; stops collecting.
	void Clear();

	// Pre-order from node at the given depth; the depth counter keeps the deepest.
	void NumberDepths(Node* node, int depth);
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

	Node* Root() const { return root; }
	// Raised by each incremental insertion and by NumberDepths; 0 after Clear.
	int DepthCounter() const { return depthCounter; }

	// What merging two nodes costs: the volume their union wastes, or, for two pieces of
	// equal volume that tile their union, minus its surface over theirs (ranking first).
	static double PairCost(const AABB& a, const AABB& b);

private:
	class Builder;

	int debugDepth = 0;
	AABB queryBox;
	bool collecting = false;
	Node* root = nullptr;
	std::vector<Node*> pendingNodes;
	int depthCounter = 0;
};
