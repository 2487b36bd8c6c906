// BoxTree: what AABBTree and VolumeAABBTree share: binary nodes linked to their parents, leaves
// that either wait for a build or join one by one at the top, depth numbering, and deleting every
// node. Each tree adds its own boxes, build and queries.
#pragma once

#include <algorithm>
#include <vector>

// Node is the tree's own node type, derived from BoxTreeNode<Node>.
template <class Node>
struct BoxTreeNode
{
	virtual ~BoxTreeNode() = default;
	bool IsLeaf() const { return left == nullptr && right == nullptr; }

	Node* parent = nullptr;
	Node* left = nullptr;
	Node* right = nullptr;
	int depth = 0;
};

// Internal is the tree's internal node type; UniteChildBoxes gives it the union of its children's boxes.
template <class Node, class Internal>
class BoxTree
{
public:
	BoxTree(const BoxTree&) = delete;
	BoxTree& operator=(const BoxTree&) = delete;

	// While set, inserted leaves wait for Build instead of joining the tree one by one.
	void SetCollectFlag(bool collect) { collecting = collect; }
	bool IsCollecting() const { return collecting; }

	// Deletes every node, collected ones included; stops collecting.
	void Clear()
	{
		DeleteSubtree(root);
		root = nullptr;
		for (Node* node : pendingNodes)
			delete node;
		pendingNodes.clear();
		collecting = false;
		depthCounter = 0;
	}

	Node* Root() const { return root; }
	// Raised by each incremental insertion and to the deepest depth numbered; 0 after Clear.
	int DepthCounter() const { return depthCounter; }

protected:
	BoxTree() = default;
	~BoxTree() { Clear(); }

	// Collecting, the leaf waits for the build; otherwise it joins at the top, as right child of a new root.
	void Place(Node* leaf)
	{
		if (collecting)
		{
			pendingNodes.push_back(leaf);
			return;
		}
		root = root == nullptr ? leaf : Join(root, leaf);
		++depthCounter;
	}

	// A new internal node over two parentless nodes.
	static Internal* Join(Node* left, Node* right)
	{
		auto* node = new Internal;
		node->left = left;
		node->right = right;
		left->parent = node;
		right->parent = node;
		node->UniteChildBoxes();
		return node;
	}

	// Pre-order from node at the given depth; the depth counter keeps the deepest.
	void NumberDepths(Node* node, int depth)
	{
		if (node == nullptr)
			return;
		node->depth = depth;
		depthCounter = std::max(depthCounter, depth);
		NumberDepths(node->left, depth + 1);
		NumberDepths(node->right, depth + 1);
	}

	bool collecting = false;
	Node* root = nullptr;
	std::vector<Node*> pendingNodes;
	int depthCounter = 0;

private:
	static void DeleteSubtree(Node* node)
	{
		if (node == nullptr)
			return;
		DeleteSubtree(node->left);
		DeleteSubtree(node->right);
		delete node;
	}
};
