#include "Utilities/VolumeAABBTree.h"

#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
	using VolumeNode = VolumeAABBTree::Node;

	AABB Cube(float x, float y, float z, float size = 1.0f)
	{
		return {{x, y, z}, {x + size, y + size, z + size}};
	}

	void BuildFrom(VolumeAABBTree& tree, const std::vector<AABB>& boxes)
	{
		tree.SetCollectFlag(true);
		for (const AABB& box : boxes)
			tree.Insert(box);
		tree.Build();
		tree.NumberDepths(tree.Root(), 0);
	}

	// The tree's shape and boxes in pre-order, for comparing two builds.
	std::string DescribeNode(const VolumeNode* node)
	{
		std::ostringstream out;
		out << '[' << node->box.min << " / " << node->box.max << ']';
		if (!node->IsLeaf())
			out << '(' << DescribeNode(node->left) << ' ' << DescribeNode(node->right) << ')';
		return out.str();
	}

	// The merge order as written, trying every pair at every step.
	std::string DescribeBuildByTryingEveryPair(const std::vector<AABB>& boxes)
	{
		std::deque<VolumeAABBTree::InternalNode> nodes;
		std::vector<VolumeNode*> list;
		for (const AABB& box : boxes)
		{
			list.push_back(&nodes.emplace_back());
			list.back()->box = box;
		}
		while (list.size() > 1)
		{
			double best = 1e12;
			size_t first = 0, second = 1;
			for (size_t i = 0; i < list.size(); ++i)
				for (size_t j = i + 1; j < list.size(); ++j)
					if (const double cost = VolumeAABBTree::PairCost(list[i]->box, list[j]->box); cost < best)
						std::tie(best, first, second) = std::tuple(cost, i, j);
			VolumeAABBTree::InternalNode& merged = nodes.emplace_back();
			std::tie(merged.left, merged.right) = std::pair(list[first], list[second]);
			merged.UniteChildBoxes();
			// The merged node goes last, then takes the first's place; the old last fills the second's.
			list.push_back(&merged);
			list[first] = list.back();
			list.pop_back();
			list[second] = list.back();
			list.pop_back();
		}
		return DescribeNode(list.front());
	}

	// A house of unit cubes, width x height x depth.
	std::vector<AABB> CubeBlock(int width, int height, int depth)
	{
		std::vector<AABB> cubes;
		for (int y = 0; y < height; ++y)
			for (int z = 0; z < depth; ++z)
				for (int x = 0; x < width; ++x)
					cubes.push_back(Cube(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
		return cubes;
	}

	double VolumeOf(const VolumeAABBTree::NodeList& parts)
	{
		double volume = 0;
		for (const VolumeNode* part : parts)
			volume += part->box.Volume();
		return volume;
	}
}

TEST(VolumeAABBTree, PairCostRanksTilingEqualPiecesFirst)
{
	const std::pair<AABB, double> cases[] = {
		{Cube(1, 0, 0), -10.0 / 12.0},                 // equal cubes side by side
		{AABB{{1, 0, 0}, {3, 1, 1}}, 0.0},             // tiling, unequal volumes
		{Cube(2, 0, 0), 1.0},                          // a gap of one cube
		{Cube(0.5f, 0.5f, 0.5f), 1.5 * 1.5 * 1.5 - 2}, // overlapping pieces waste too
	};
	for (const auto& [other, cost] : cases)
		EXPECT_NEAR(VolumeAABBTree::PairCost(Cube(0, 0, 0), other), cost, 1e-12);
}

TEST(VolumeAABBTree, BuildMatchesTryingEveryPair)
{
	// Every pair wastes more than 1e12 of volume: the first two still merge.
	std::vector<std::vector<AABB>> cases = {{Cube(0, 0, 0, 1e4f), Cube(1e5f, 0, 0, 1e4f), Cube(0, 1e5f, 0, 1e4f)}};
	for (unsigned seed = 1; seed <= 12; ++seed)
	{
		tw::SeedRand(seed);
		// Whole blocks of equal cubes make many equal costs, which the list order settles.
		std::vector<AABB> boxes = seed % 3 == 0 ? CubeBlock(3, 2 + static_cast<int>(seed % 2), 3) : std::vector<AABB>{};
		const int randomPieces = 10 + tw::Rand() % 50;
		for (int i = 0; i < randomPieces; ++i)
		{
			const Tuple3f corner{static_cast<float>(tw::Rand() % 12), static_cast<float>(tw::Rand() % 6), static_cast<float>(tw::Rand() % 12)};
			boxes.push_back(AABB{corner, corner + Tuple3f{static_cast<float>(1 + tw::Rand() % 3), static_cast<float>(1 + tw::Rand() % 2), 1}});
		}
		cases.push_back(boxes);
	}
	for (const std::vector<AABB>& boxes : cases)
	{
		VolumeAABBTree tree;
		BuildFrom(tree, boxes);
		ASSERT_EQ(DescribeNode(tree.Root()), DescribeBuildByTryingEveryPair(boxes)) << boxes.size() << " boxes";
	}
}

TEST(VolumeAABBTree, BuildLinksParentsAndUnitesBoxes)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(4, 3, 2));
	EXPECT_TRUE(!tree.IsCollecting() && tree.Root()->parent == nullptr);
	const auto leavesBelow = [](auto& self, const VolumeNode* node) -> int {
		EXPECT_EQ(node->available, 1u);
		if (node->IsLeaf())
			return 1;
		EXPECT_TRUE(node->left->parent == node && node->right->parent == node && node->left->depth == node->depth + 1);
		EXPECT_EQ(node->box, AABB::Union(node->left->box, node->right->box));
		return self(self, node->left) + self(self, node->right);
	};
	EXPECT_EQ(leavesBelow(leavesBelow, tree.Root()), 24);
}

TEST(VolumeAABBTree, BuildOverABuiltTreeTakesItAsOneNode)
{
	VolumeAABBTree twice;
	BuildFrom(twice, CubeBlock(2, 1, 1));
	VolumeNode* const oldRoot = twice.Root();
	twice.SetCollectFlag(true);
	twice.Insert(Cube(0, 1, 0, 2));
	twice.Build();
	EXPECT_TRUE(twice.Root()->left == oldRoot || twice.Root()->right == oldRoot);
	EXPECT_EQ(twice.Root()->box, (AABB{{0, 0, 0}, {2, 3, 2}}));
}

TEST(VolumeAABBTree, OverlapsTakesAWholeHouseOrTheWholePartsOfItThatOverlap)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(2, 2, 2));
	VolumeAABBTree::NodeList parts;
	tree.SetQueryBox(AABB{{-1, -1, -1}, {3, 3, 3}});
	EXPECT_TRUE(tree.Overlaps(tree.Root(), parts) && parts.empty());
	// Touching the x = 0 face only: the whole cubes of that face come back, not the house.
	tree.SetQueryBox(AABB{{-1, -1, -1}, {0, 3, 3}});
	EXPECT_FALSE(tree.Overlaps(tree.Root(), parts));
	for (const VolumeNode* part : parts)
		EXPECT_TRUE(part->box.min.x == 0.0f && part->box.max.x == 1.0f) << part->box.min << " / " << part->box.max;
	EXPECT_EQ(VolumeOf(parts), 4.0);
	parts.clear();
	tree.SetQueryBox(AABB{{5, 5, 5}, {6, 6, 6}});
	EXPECT_TRUE(!tree.Overlaps(tree.Root(), parts) && parts.empty());
}

TEST(VolumeAABBTree, OverlapsSplitsANodeItsChildrenDoNotFill)
{
	VolumeAABBTree tree;
	BuildFrom(tree, {Cube(0, 0, 0), Cube(1, 0, 0), Cube(0, 1, 0)}); // an L: no node above the pair fills its box
	VolumeAABBTree::NodeList parts;
	tree.SetQueryBox(AABB{{-1, -1, -1}, {3, 3, 3}});
	EXPECT_FALSE(tree.Overlaps(tree.Root(), parts));
	EXPECT_TRUE(parts.size() == 2 && VolumeOf(parts) == 3.0);
}

TEST(VolumeAABBTree, CollectOverlappingReturnsTheBottomLayer)
{
	// Two flat bottom pieces apart, the second raised a little, under a tiling pair of flat
	// pieces: the top pair merges first, then the bottom pieces into a node they do not fill.
	// Each round consumes what was collected; the layers come back from the bottom up.
	const AABB low{{0, 0, 0}, {1, 0.5f, 1}};
	const AABB topPair{{0, 1, 0}, {2, 1.5f, 1}};
	const auto raisedBy = [](float raise) { return AABB{{1.5f, raise, 0}, {2.5f, raise + 0.5f, 1}}; };
	const std::pair<float, std::vector<std::vector<AABB>>> cases[] = {
		{0.05f, {{low, raisedBy(0.05f)}, {topPair}}}, // 0.05 higher is the same layer
		{0.15f, {{low}, {raisedBy(0.15f)}, {topPair}}},
	};
	for (const auto& [raise, rounds] : cases)
	{
		VolumeAABBTree tree;
		BuildFrom(tree, {low, raisedBy(raise), AABB{{0, 1, 0}, {1, 1.5f, 1}}, AABB{{1, 1, 0}, {2, 1.5f, 1}}});
		for (const std::vector<AABB>& expected : rounds)
		{
			VolumeAABBTree::NodeList lowest;
			tree.CollectOverlapping(tree.Root(), lowest);
			std::vector<AABB> boxes;
			for (VolumeNode* node : lowest)
			{
				boxes.push_back(node->box);
				node->available = 0;
			}
			std::sort(boxes.begin(), boxes.end(), [](const AABB& a, const AABB& b) { return a.min.x < b.min.x; });
			ASSERT_EQ(boxes, expected) << "raised by " << raise;
		}
		VolumeAABBTree::MarkAllNodes(tree.Root());
		VolumeAABBTree::NodeList lowest;
		tree.CollectOverlapping(tree.Root(), lowest);
		EXPECT_EQ(lowest.size(), rounds.front().size()) << "marking makes the bottom available again";
	}
}
