#include "Utilities/VolumeAABBTree.h"

#include "Utilities/DebugDraw.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
	// Volumes closer than this are equal; a sum of pieces this close to the whole fills it.
	constexpr double kTreeSameVolume = 0.01;
	constexpr double kFillTolerance = 0.1;
	// Bottoms closer than this lie on the same layer.
	constexpr float kLayerTolerance = 0.1f;
	// A pair must cost less than this to be merged by cost.
	constexpr double kNoPairCost = 1e12;

	constexpr float kMarkerRadius = 0.1f;
	const Tuple4f kAvailableColour(0.0f, 1.0f, 0.0f, 1.0f);
	const Tuple4f kConsumedColour(1.0f, 0.0f, 0.0f, 1.0f);

	// Whether the node's children add up to its box, so it can be taken whole.
	bool ChildrenFillBox(const VolumeAABBTree::Node* node)
	{
		if (node->left == nullptr || node->right == nullptr)
			return false;
		return std::fabs(node->left->box.Volume() + node->right->box.Volume() - node->box.Volume()) < kFillTolerance;
	}
}

// Bottom-up merging. Picking the cheapest pair by trying every pair at every step costs n^3;
// instead each position keeps its cheapest partner further down the list, and a merge only
// revisits the positions it disturbed. The pair chosen is the same: the lowest cost, and of
// equal costs the first in list order.
class VolumeAABBTree::Builder
{
public:
	explicit Builder(std::vector<Node*>& nodes) : nodes(nodes), rows(nodes.size()) {}

	// Merges the nodes until one is left and returns it.
	Node* Build()
	{
		for (size_t i = 0; i < nodes.size(); ++i)
			RecomputeRow(i);
		while (nodes.size() > 1)
			MergeCheapestPair();
		return nodes.front();
	}

private:
	static constexpr size_t kNoPartner = std::numeric_limits<size_t>::max();

	// The cheapest partner of one position among the positions after it.
	struct Row
	{
		double cost = kNoPairCost;
		size_t partner = kNoPartner;
	};

	double Cost(size_t i, size_t j) const
	{
		return PairCost(nodes[std::min(i, j)]->box, nodes[std::max(i, j)]->box);
	}

	void RecomputeRow(size_t i)
	{
		Row best;
		for (size_t j = i + 1; j < nodes.size(); ++j)
		{
			const double cost = Cost(i, j);
			if (cost < best.cost)
				best = {cost, j};
		}
		rows[i] = best;
	}

	// Offers row i a new partner j; of equal costs the earlier position wins.
	void Offer(size_t i, size_t j)
	{
		const double cost = Cost(i, j);
		Row& row = rows[i];
		if (cost < row.cost || (cost == row.cost && row.partner != kNoPartner && j < row.partner))
			row = {cost, j};
	}

	void MergeCheapestPair()
	{
		size_t first = kNoPartner;
		double bestCost = kNoPairCost;
		for (size_t i = 0; i + 1 < nodes.size(); ++i)
			if (rows[i].partner != kNoPartner && rows[i].cost < bestCost)
			{
				bestCost = rows[i].cost;
				first = i;
			}
		// No pair costs less than 1e12 (or every cost is NaN): merge the first two.
		const size_t second = first == kNoPartner ? 1 : rows[first].partner;
		if (first == kNoPartner)
			first = 0;

		// The merged node takes the first position and the last node the second.
		const size_t last = nodes.size() - 1;
		nodes[first] = Join(nodes[first], nodes[second]);
		nodes[second] = nodes[last];
		nodes.pop_back();
		rows.pop_back();
		const bool secondFilled = second < nodes.size();

		for (size_t i = 0; i + 1 < nodes.size(); ++i)
		{
			if (i == first || (secondFilled && i == second))
				continue;
			const size_t partner = rows[i].partner;
			if (partner == first || partner == second || partner == last)
			{
				RecomputeRow(i);
				continue;
			}
			if (i < first)
				Offer(i, first);
			if (secondFilled && i < second)
				Offer(i, second);
		}
		RecomputeRow(first);
		if (secondFilled)
			RecomputeRow(second);
	}

	std::vector<Node*>& nodes;
	std::vector<Row> rows;
};

double VolumeAABBTree::PairCost(const AABB& a, const AABB& b)
{
	const AABB merged = AABB::Union(a, b);
	const double volumeA = a.Volume(), volumeB = b.Volume();
	const double wasted = std::fabs(merged.Volume() - (volumeA + volumeB));
	if (wasted >= kTreeSameVolume || std::fabs(volumeA - volumeB) >= kTreeSameVolume)
		return wasted;
	return -merged.SurfaceArea() / (a.SurfaceArea() + b.SurfaceArea());
}

VolumeAABBTree::LeafNode* VolumeAABBTree::Insert(const AABB& box)
{
	auto* leaf = new LeafNode;
	leaf->box = box;
	Place(leaf);
	return leaf;
}

void VolumeAABBTree::Build()
{
	collecting = false;
	if (pendingNodes.empty())
		return;
	// A tree built before would be orphaned by the new root: it takes part as one node.
	if (root != nullptr)
		pendingNodes.insert(pendingNodes.begin(), root);
	root = Builder(pendingNodes).Build();
	root->parent = nullptr;
	pendingNodes.clear();
}

void VolumeAABBTree::MarkAllNodes(Node* node)
{
	if (node == nullptr)
		return;
	node->available = 1;
	MarkAllNodes(node->left);
	MarkAllNodes(node->right);
}

bool VolumeAABBTree::Overlaps(Node* node, NodeList& out) const
{
	if (node == nullptr || !node->box.Overlaps(queryBox))
		return false;
	if (node->IsLeaf())
		return true;
	const bool leftOverlaps = Overlaps(node->left, out);
	const bool rightOverlaps = Overlaps(node->right, out);
	if (leftOverlaps && rightOverlaps && ChildrenFillBox(node))
		return true;
	if (leftOverlaps)
		out.push_back(node->left);
	if (rightOverlaps)
		out.push_back(node->right);
	return false;
}

void VolumeAABBTree::CollectOverlapping(Node* node, NodeList& out) const
{
	for (; node != nullptr; node = node->right)
	{
		// Nothing in a subtree whose bottom lies above the layer found so far is lower.
		if (!out.empty() && node->box.min.y - kLayerTolerance > out[0]->box.min.y)
			return;
		if (node->available && (node->IsLeaf() || ChildrenFillBox(node)))
		{
			// A clearly lower volume starts a new layer.
			if (!out.empty() && out[0]->box.min.y - kLayerTolerance > node->box.min.y)
				out.clear();
			out.push_back(node);
			return;
		}
		CollectOverlapping(node->left, out);
	}
}

void VolumeAABBTree::DebugDrawDepth(const Node* node) const
{
	if (node == nullptr)
		return;
	if (node->depth == debugDepth)
	{
		if (node->available)
			node->box.DebugDraw(kAvailableColour);
		else
		{
			node->box.DebugDraw(kConsumedColour);
			DebugDraw::DrawSphereUniform(node->box.Centre(), kMarkerRadius, kConsumedColour);
		}
	}
	DebugDrawDepth(node->left);
	DebugDrawDepth(node->right);
}
