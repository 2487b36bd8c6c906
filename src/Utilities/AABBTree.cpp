#include "Utilities/AABBTree.h"

#include "Utilities/MathCommon.h"

#include <algorithm>
#include <cmath>

namespace
{
	// Costs start here: anything real is smaller.
	constexpr double kNoSplitCost = 1e12;

	// Surface area plus volume: what a ray or a box query pays for entering the box.
	double SplitCost(const AABB& box)
	{
		return box.SurfaceArea() + box.Volume();
	}

	void CollectOverlapping(AABBTree::Node* node, const AABB& query, std::vector<AABBTree::LeafNode*>& out)
	{
		if (node == nullptr || !node->box->Overlaps(query))
			return;
		if (node->IsLeaf())
		{
			out.push_back(static_cast<AABBTree::LeafNode*>(node));
			return;
		}
		CollectOverlapping(node->left, query, out);
		CollectOverlapping(node->right, query, out);
	}

	AABBTree::LeafNode* FindLeaf(AABBTree::Node* node, AABBTree::UserData data, const Tuple3f& point)
	{
		if (node == nullptr || !node->box->Contains(point))
			return nullptr;
		if (node->IsLeaf())
		{
			auto* leaf = static_cast<AABBTree::LeafNode*>(node);
			return leaf->data == data ? leaf : nullptr;
		}
		if (AABBTree::LeafNode* found = FindLeaf(node->left, data, point))
			return found;
		return FindLeaf(node->right, data, point);
	}
}

// Top-down build over a working copy of the leaves' boxes and centres, so the sorts and
// sweeps touch contiguous memory instead of following each leaf's box pointer.
class AABBTree::Builder
{
public:
	explicit Builder(const std::vector<Node*>& leaves) : leftCosts(leaves.size()), rightCosts(leaves.size())
	{
		items.reserve(leaves.size());
		for (Node* leaf : leaves)
			items.push_back({*leaf->box, leaf->box->Centre(), leaf});
	}

	// The tree over all items, numbered by depth; depthCounter is raised to the deepest depth.
	// Built from an explicit list of ranges, not by recursion, so no input can run the stack out.
	Node* Build(int& depthCounter)
	{
		if (items.empty())
			return nullptr;
		Node* root = nullptr;
		std::vector<InternalNode*> internals;
		std::vector<Range> ranges{{0, items.size(), -1, 0, nullptr, false}};
		while (!ranges.empty())
		{
			const Range range = ranges.back();
			ranges.pop_back();
			const bool single = range.last - range.first == 1;
			Node* node = single ? items[range.first].leaf : MakeInternal(internals);
			node->depth = range.depth;
			depthCounter = std::max(depthCounter, range.depth);
			node->parent = range.parent;
			if (range.parent == nullptr)
				root = node;
			else
				(range.isRight ? range.parent->right : range.parent->left) = node;
			if (!single)
			{
				int splitAxis = range.sortedAxis;
				const size_t split = ChooseSplit(range, splitAxis);
				ranges.push_back({range.first, split, splitAxis, range.depth + 1, node, false});
				ranges.push_back({split, range.last, splitAxis, range.depth + 1, node, true});
			}
		}
		// Made parents first, so in reverse every node's children already have their boxes.
		for (auto internal = internals.rbegin(); internal != internals.rend(); ++internal)
			(*internal)->UniteChildBoxes();
		return root;
	}

private:
	struct Item
	{
		AABB box;
		Tuple3f centre;
		Node* leaf;
	};

	// Items [first, last), sorted by sortedAxis (-1: by none), to become the child of parent.
	struct Range
	{
		size_t first;
		size_t last;
		int sortedAxis;
		int depth;
		Node* parent;
		bool isRight;
	};

	// Below this depth the cheapest split is used; beyond it ranges are halved, which bounds the
	// depth (and so every query's recursion) even for boxes nested like onion skins.
	static constexpr int kMaxCostDepth = 48;

	static Node* MakeInternal(std::vector<InternalNode*>& internals)
	{
		internals.push_back(new InternalNode);
		return internals.back();
	}

	// Where a range of two or more items splits, leaving them sorted along splitAxis.
	size_t ChooseSplit(const Range& range, int& splitAxis)
	{
		const size_t first = range.first, last = range.last, count = last - first;
		int sortedAxis = range.sortedAxis;
		size_t split = first + count / 2;
		if (count > 2 && range.depth < kMaxCostDepth)
		{
			bool found = false;
			double bestCost = kNoSplitCost;
			const int startAxis = sortedAxis < 0 ? 0 : sortedAxis;
			for (int step = 0; step < 3; ++step)
			{
				const int axis = (startAxis + step) % 3;
				if (axis != sortedAxis)
				{
					SortByCentre(first, last, axis);
					sortedAxis = axis;
				}
				found |= FindCheapestSplit(first, last, axis, bestCost, split, splitAxis);
			}
			// No axis separates the centres (duplicates), or every candidate cost 1e12 or more
			// (or was not a number): halve the range, which keeps the tree balanced.
			if (!found)
			{
				split = first + count / 2;
				splitAxis = sortedAxis;
			}
		}
		if (splitAxis != sortedAxis)
			SortByCentre(first, last, splitAxis);
		return split;
	}

	void SortByCentre(size_t first, size_t last, int axis)
	{
		// NaN centres (from a box gone wrong) sort last so the order stays a strict weak one.
		std::sort(items.begin() + first, items.begin() + last, [axis](const Item& a, const Item& b) {
			const float ca = a.centre[axis], cb = b.centre[axis];
			return ca < cb || (!std::isnan(ca) && std::isnan(cb));
		});
	}

	// Tries every split position of the range, sorted along axis; a split strictly cheaper
	// than bestCost replaces it (so the first of equal costs wins). Splits never fall
	// between centres closer than 1e-4: centres that do not separate are not split by cost
	// at all, since peeling them off one at a time would take quadratic time.
	bool FindCheapestSplit(size_t first, size_t last, int axis, double& bestCost, size_t& split, int& splitAxis)
	{
		SweepCosts(first, last);
		bool found = false;
		for (size_t k = first + 1; k < last; ++k)
		{
			if (!(std::fabs(items[k].centre[axis] - items[k - 1].centre[axis]) >= kAngleEpsilon))
				continue;
			const double cost = leftCosts[k] + rightCosts[k];
			if (cost < bestCost)
			{
				bestCost = cost;
				split = k;
				splitAxis = axis;
				found = true;
			}
		}
		return found;
	}

	// For each split position k of [first, last): the cost of [first, k) in leftCosts[k] and
	// of [k, last) in rightCosts[k], from one sweep each way instead of a union per candidate.
	void SweepCosts(size_t first, size_t last)
	{
		AABB left = items[first].box;
		for (size_t k = first + 1; k < last; ++k)
		{
			leftCosts[k] = SplitCost(left) * static_cast<double>(k - first);
			left = AABB::Union(left, items[k].box);
		}
		AABB right = items[last - 1].box;
		for (size_t k = last - 1; k > first; --k)
		{
			rightCosts[k] = SplitCost(right) * static_cast<double>(last - k);
			right = AABB::Union(right, items[k - 1].box);
		}
	}

	std::vector<Item> items;
	std::vector<double> leftCosts;
	std::vector<double> rightCosts;
};

AABBTree::LeafNode* AABBTree::Insert(const AABB* box, UserData data, RayTest rayTest)
{
	auto* leaf = new LeafNode;
	leaf->box = box;
	leaf->data = data;
	leaf->rayTest = rayTest;
	Place(leaf);
	packedStale = true;
	return leaf;
}

void AABBTree::Build()
{
	collecting = false;
	packedStale = true;
	// Building over a filled tree would orphan it: its leaves join the build instead.
	AdoptLeavesOfTree();
	if (!pendingNodes.empty())
	{
		Builder builder(pendingNodes);
		root = builder.Build(depthCounter);
	}
	pendingNodes.clear();
}

void AABBTree::AdoptLeavesOfTree()
{
	std::vector<Node*> stack;
	if (root != nullptr)
		stack.push_back(root);
	root = nullptr;
	while (!stack.empty())
	{
		Node* node = stack.back();
		stack.pop_back();
		if (node->IsLeaf())
		{
			node->parent = nullptr;
			pendingNodes.push_back(node);
			continue;
		}
		if (node->right != nullptr)
			stack.push_back(node->right);
		if (node->left != nullptr)
			stack.push_back(node->left);
		delete node;
	}
}

void AABBTree::Clear()
{
	BoxTree::Clear();
	packedStale = true;
}

void AABBTree::Refit()
{
	packedStale = true;
	// Parents before their children, so in reverse every child's box is final before its parent's.
	std::vector<InternalNode*> internals;
	std::vector<Node*> stack;
	if (root != nullptr)
		stack.push_back(root);
	while (!stack.empty())
	{
		Node* node = stack.back();
		stack.pop_back();
		if (node->IsLeaf())
			continue;
		internals.push_back(static_cast<InternalNode*>(node));
		for (Node* child : {node->left, node->right})
			if (child != nullptr)
				stack.push_back(child);
	}
	for (auto internal = internals.rbegin(); internal != internals.rend(); ++internal)
	{
		InternalNode& node = **internal;
		// Removals can leave one child.
		node.ownBox = node.left == nullptr ? *node.right->box
			: node.right == nullptr ? *node.left->box : AABB::Union(*node.left->box, *node.right->box);
	}
}

void AABBTree::RemoveNode(LeafNode* leaf)
{
	packedStale = true;
	if (leaf->parent == nullptr && leaf != root)
	{
		// A leaf still waiting for the build: deleting it alone would leave the build a
		// dangling pointer.
		const auto pending = std::find(pendingNodes.begin(), pendingNodes.end(), leaf);
		if (pending == pendingNodes.end())
			return;
		pendingNodes.erase(pending);
		delete leaf;
		return;
	}
	Node* parent = leaf->parent;
	DetachFromParent(leaf);
	delete leaf;
	// Ancestors left without children go as well.
	while (parent != nullptr && parent->IsLeaf())
	{
		Node* emptied = parent;
		parent = emptied->parent;
		DetachFromParent(emptied);
		delete emptied;
	}
}

void AABBTree::DetachFromParent(Node* node)
{
	Node* parent = node->parent;
	(parent == nullptr ? root : (parent->left == node ? parent->left : parent->right)) = nullptr;
}

void AABBTree::QueryBox(const AABB& query, std::vector<LeafNode*>& out) const
{
	CollectOverlapping(root, query, out);
}

AABBTree::LeafNode* AABBTree::QueryPoint(UserData data, const Tuple3f& point) const
{
	return FindLeaf(root, data, point);
}

float AABBTree::RayCast(const Tuple3f& origin, const Tuple3f& direction, UserData& hitData, float farthest) const
{
	if (packedStale)
	{
		rayLeaves.clear();
		for (const LeafNode* leaf : packed.Pack(root))
			rayLeaves.push_back({leaf->data, leaf->rayTest});
		packedStale = false;
	}
	std::uint32_t hitLeaf = 0;
	const float hit = packed.RayCast(origin, direction, farthest, rayLeaves.data(),
		[&](const RayLeaf& leaf, float bound) { return leaf.rayTest(leaf.data, &origin, &direction, bound); }, hitLeaf);
	if (hit >= 0.0f)
		hitData = rayLeaves[hitLeaf].data;
	return hit;
}
