#include "Utilities/VolumeAABBTree.h"

#include "Utilities/DebugDraw.h"
#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	using Node = VolumeAABBTree::Node;

	AABB Cube(float x, float y, float z, float size = 1.0f)
	{
		return {{x, y, z}, {x + size, y + size, z + size}};
	}

	VolumeAABBTree::LeafNode* BuildFrom(VolumeAABBTree& tree, const std::vector<AABB>& boxes)
	{
		tree.SetCollectFlag(true);
		VolumeAABBTree::LeafNode* first = nullptr;
		for (const AABB& box : boxes)
		{
			VolumeAABBTree::LeafNode* leaf = tree.Insert(box);
			if (first == nullptr)
				first = leaf;
		}
		tree.Build();
		tree.NumberDepths(tree.Root(), 0);
		return first;
	}

	void Describe(const AABB& box, std::ostream& out)
	{
		out << '[' << box.min << " / " << box.max << ']';
	}

	// The tree's shape and boxes in pre-order, for comparing two builds.
	void Describe(const Node* node, std::ostream& out)
	{
		Describe(node->box, out);
		if (node->IsLeaf())
			return;
		out << '(';
		Describe(node->left, out);
		out << ' ';
		Describe(node->right, out);
		out << ')';
	}

	// The merge order as written, trying every pair at every step.
	std::string BuildByTryingEveryPair(const std::vector<AABB>& boxes)
	{
		struct Merged
		{
			AABB box;
			int left = -1;
			int right = -1;
		};
		std::vector<Merged> nodes;
		std::vector<int> list;
		for (const AABB& box : boxes)
		{
			list.push_back(static_cast<int>(nodes.size()));
			nodes.push_back({box});
		}
		while (list.size() > 1)
		{
			double best = 1e12;
			size_t first = 0, second = 1;
			for (size_t i = 0; i < list.size(); ++i)
				for (size_t j = i + 1; j < list.size(); ++j)
				{
					const double cost = VolumeAABBTree::PairCost(nodes[list[i]].box, nodes[list[j]].box);
					if (cost < best)
					{
						best = cost;
						first = i;
						second = j;
					}
				}
			nodes.push_back({AABB::Union(nodes[list[first]].box, nodes[list[second]].box), list[first], list[second]});
			list.push_back(static_cast<int>(nodes.size()) - 1);
			list[first] = list.back();
			list.pop_back();
			list[second] = list.back();
			list.pop_back();
		}
		std::ostringstream out;
		auto describe = [&](auto&& self, int index) -> void {
			Describe(nodes[index].box, out);
			if (nodes[index].left < 0)
				return;
			out << '(';
			self(self, nodes[index].left);
			out << ' ';
			self(self, nodes[index].right);
			out << ')';
		};
		describe(describe, list.front());
		return out.str();
	}

	std::string Describe(const Node* node)
	{
		std::ostringstream out;
		Describe(node, out);
		return out.str();
	}

	// A house of unit cubes, width x height x depth.
	std::vector<AABB> CubeBlock(int width, int height, int depth, float baseY = 0.0f)
	{
		std::vector<AABB> cubes;
		for (int y = 0; y < height; ++y)
			for (int z = 0; z < depth; ++z)
				for (int x = 0; x < width; ++x)
					cubes.push_back(Cube(static_cast<float>(x), baseY + static_cast<float>(y), static_cast<float>(z)));
		return cubes;
	}

	int drawnLines = 0;
	std::vector<Tuple3f> drawnSpheres;
	void CountLine(Tuple3f, Tuple3f, float, Tuple4f)
	{
		++drawnLines;
	}
	void RecordSphere(Tuple3f centre, float, Tuple4f)
	{
		drawnSpheres.push_back(centre);
	}
}

TEST(VolumeAABBTree, PairCostRanksTilingEqualPiecesFirst)
{
	const struct
	{
		AABB a;
		AABB b;
		double expected;
	} cases[] = {
		{Cube(0, 0, 0), Cube(1, 0, 0), -10.0 / 12.0},                 // equal cubes side by side
		{Cube(0, 0, 0), AABB{{1, 0, 0}, {3, 1, 1}}, 0.0},             // tiling, unequal volumes
		{Cube(0, 0, 0), Cube(2, 0, 0), 1.0},                          // a gap of one cube
		{Cube(0, 0, 0), Cube(0.5f, 0.5f, 0.5f), 1.5 * 1.5 * 1.5 - 2},   // overlapping pieces waste too
	};
	for (const auto& c : cases)
		EXPECT_NEAR(VolumeAABBTree::PairCost(c.a, c.b), c.expected, 1e-12);
}

TEST(VolumeAABBTree, EqualNeighboursMergeBeforeAnythingElse)
{
	VolumeAABBTree tree;
	// Listed far apart so that list order alone would not pair them.
	BuildFrom(tree, {Cube(0, 0, 0), Cube(10, 0, 0, 2), Cube(5, 5, 5, 0.5f), Cube(1, 0, 0)});
	const std::string shape = Describe(tree.Root());
	const std::string pair = "[0 0 0 / 2 1 1]([0 0 0 / 1 1 1] [1 0 0 / 2 1 1])";
	EXPECT_NE(shape.find(pair), std::string::npos) << shape;
}

TEST(VolumeAABBTree, BuildMatchesTryingEveryPair)
{
	for (unsigned seed = 1; seed <= 12; ++seed)
	{
		tw::SeedRand(seed);
		std::vector<AABB> boxes;
		// Whole blocks of equal cubes make many equal costs, which the list order settles.
		if (seed % 3 == 0)
			boxes = CubeBlock(3, 2 + static_cast<int>(seed % 2), 3);
		const int randomPieces = 10 + tw::Rand() % 50;
		for (int i = 0; i < randomPieces; ++i)
		{
			const float x = static_cast<float>(tw::Rand() % 12), y = static_cast<float>(tw::Rand() % 6);
			const float z = static_cast<float>(tw::Rand() % 12);
			const float width = static_cast<float>(1 + tw::Rand() % 3), height = static_cast<float>(1 + tw::Rand() % 2);
			boxes.push_back(AABB{{x, y, z}, {x + width, y + height, z + 1}});
		}
		VolumeAABBTree tree;
		BuildFrom(tree, boxes);
		ASSERT_EQ(Describe(tree.Root()), BuildByTryingEveryPair(boxes)) << "seed " << seed;
	}
}

TEST(VolumeAABBTree, BuildLinksParentsAndUnionBoxes)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(4, 3, 2));
	std::vector<const Node*> stack{tree.Root()};
	int leaves = 0;
	while (!stack.empty())
	{
		const Node* node = stack.back();
		stack.pop_back();
		EXPECT_EQ(node->available, 1u);
		if (node->IsLeaf())
		{
			++leaves;
			continue;
		}
		EXPECT_EQ(node->left->parent, node);
		EXPECT_EQ(node->right->parent, node);
		EXPECT_EQ(node->box, AABB::Union(node->left->box, node->right->box));
		EXPECT_EQ(node->left->depth, node->depth + 1);
		stack.push_back(node->left);
		stack.push_back(node->right);
	}
	EXPECT_EQ(leaves, 24);
	EXPECT_EQ(tree.Root()->parent, nullptr);
	EXPECT_FALSE(tree.IsCollecting());
}

TEST(VolumeAABBTree, OverlapsTakesAWholeHouseAtTheTop)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(2, 2, 2));
	VolumeAABBTree::NodeList parts;
	tree.SetQueryBox(AABB{{-1, -1, -1}, {3, 3, 3}});
	EXPECT_TRUE(tree.Overlaps(tree.Root(), parts));
	EXPECT_TRUE(parts.empty());

	// Touching the x = 0 face only: the whole cubes of that face come back, not the house.
	tree.SetQueryBox(AABB{{-1, -1, -1}, {0, 3, 3}});
	EXPECT_FALSE(tree.Overlaps(tree.Root(), parts));
	float volume = 0;
	for (const Node* part : parts)
	{
		EXPECT_EQ(part->box.min.x, 0.0f);
		EXPECT_EQ(part->box.max.x, 1.0f);
		volume += static_cast<float>(part->box.Volume());
	}
	EXPECT_EQ(volume, 4.0f);

	parts.clear();
	tree.SetQueryBox(AABB{{5, 5, 5}, {6, 6, 6}});
	EXPECT_FALSE(tree.Overlaps(tree.Root(), parts));
	EXPECT_TRUE(parts.empty());
}

TEST(VolumeAABBTree, OverlapsSplitsANodeItsChildrenDoNotFill)
{
	VolumeAABBTree tree;
	// An L of three cubes: no node above the pair fills its box.
	BuildFrom(tree, {Cube(0, 0, 0), Cube(1, 0, 0), Cube(0, 1, 0)});
	VolumeAABBTree::NodeList parts;
	tree.SetQueryBox(AABB{{-1, -1, -1}, {3, 3, 3}});
	EXPECT_FALSE(tree.Overlaps(tree.Root(), parts));
	ASSERT_EQ(parts.size(), 2u);
	double volume = 0;
	for (const Node* part : parts)
		volume += part->box.Volume();
	EXPECT_EQ(volume, 3.0);
}

TEST(VolumeAABBTree, CollectOverlappingReturnsTheBottomLayer)
{
	// Two flat bottom pieces apart, the second raised a little, under a tiling pair of flat
	// pieces: the top pair merges first, then the bottom pieces into a node they do not fill.
	// Each round consumes what was collected; the layers come back from the bottom up.
	const AABB low{{0, 0, 0}, {1, 0.5f, 1}};
	const AABB topPair{{0, 1, 0}, {2, 1.5f, 1}};
	const auto raisedBy = [](float raise) { return AABB{{1.5f, raise, 0}, {2.5f, raise + 0.5f, 1}}; };
	const struct
	{
		float raise;
		std::vector<std::vector<AABB>> rounds;
	} cases[] = {
		{0.05f, {{low, raisedBy(0.05f)}, {topPair}}}, // 0.05 higher is the same layer
		{0.15f, {{low}, {raisedBy(0.15f)}, {topPair}}},
	};
	for (const auto& c : cases)
	{
		VolumeAABBTree tree;
		BuildFrom(tree, {low, raisedBy(c.raise), AABB{{0, 1, 0}, {1, 1.5f, 1}}, AABB{{1, 1, 0}, {2, 1.5f, 1}}});
		for (const std::vector<AABB>& expected : c.rounds)
		{
			VolumeAABBTree::NodeList lowest;
			tree.CollectOverlapping(tree.Root(), lowest);
			std::vector<AABB> boxes;
			for (const Node* node : lowest)
				boxes.push_back(node->box);
			std::sort(boxes.begin(), boxes.end(), [](const AABB& a, const AABB& b) { return a.min.x < b.min.x; });
			ASSERT_EQ(boxes, expected) << "raised by " << c.raise;
			for (Node* node : lowest)
				node->available = 0;
		}
		VolumeAABBTree::MarkAllNodes(tree.Root());
		VolumeAABBTree::NodeList lowest;
		tree.CollectOverlapping(tree.Root(), lowest);
		EXPECT_EQ(lowest.size(), c.rounds.front().size()) << "marking makes the bottom available again";
	}
}

TEST(VolumeAABBTree, InsertAfterBuildJoinsAtTheTop)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(2, 1, 1));
	Node* const oldRoot = tree.Root();
	const int depthCounter = tree.DepthCounter();
	VolumeAABBTree::LeafNode* added = tree.Insert(Cube(9, 0, 0));
	EXPECT_EQ(tree.Root()->left, oldRoot);
	EXPECT_EQ(tree.Root()->right, added);
	EXPECT_EQ(added->parent, tree.Root());
	EXPECT_EQ(oldRoot->parent, tree.Root());
	EXPECT_EQ(tree.Root()->box, AABB::Union(oldRoot->box, Cube(9, 0, 0)));
	EXPECT_EQ(tree.DepthCounter(), depthCounter + 1);
}

TEST(VolumeAABBTree, BuildWithoutAffordablePairsStillMerges)
{
	VolumeAABBTree tree;
	// Every pair wastes more than 1e12 of volume.
	BuildFrom(tree, {Cube(0, 0, 0, 1e4f), Cube(1e5f, 0, 0, 1e4f), Cube(0, 1e5f, 0, 1e4f)});
	ASSERT_NE(tree.Root(), nullptr);
	EXPECT_FALSE(tree.Root()->IsLeaf());
	EXPECT_EQ(Describe(tree.Root()), BuildByTryingEveryPair({Cube(0, 0, 0, 1e4f), Cube(1e5f, 0, 0, 1e4f), Cube(0, 1e5f, 0, 1e4f)}));
}

TEST(VolumeAABBTree, BuildOverABuiltTreeKeepsIt)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(2, 1, 1));
	Node* const oldRoot = tree.Root();
	tree.SetCollectFlag(true);
	tree.Insert(Cube(0, 1, 0, 2));
	tree.Build();
	EXPECT_TRUE(tree.Root()->left == oldRoot || tree.Root()->right == oldRoot);
	EXPECT_EQ(tree.Root()->box, (AABB{{0, 0, 0}, {2, 3, 2}}));
}

TEST(VolumeAABBTree, ClearDropsTreeAndCollectedNodes)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(2, 2, 1));
	tree.SetCollectFlag(true);
	tree.Insert(Cube(5, 5, 5));
	tree.Clear();
	EXPECT_EQ(tree.Root(), nullptr);
	EXPECT_EQ(tree.DepthCounter(), 0);
	EXPECT_FALSE(tree.IsCollecting());
	tree.Build();
	EXPECT_EQ(tree.Root(), nullptr);
}

TEST(VolumeAABBTree, DebugDrawDepthDrawsOneLevel)
{
	VolumeAABBTree tree;
	BuildFrom(tree, CubeBlock(2, 2, 1));
	tree.Root()->left->available = 0;
	const DebugDraw::DrawLineHook previousLine = DebugDraw::DrawLine;
	const DebugDraw::DrawSphereUniformHook previousSphere = DebugDraw::DrawSphereUniform;
	DebugDraw::DrawLine = CountLine;
	DebugDraw::DrawSphereUniform = RecordSphere;
	drawnLines = 0;
	drawnSpheres.clear();
	tree.SetDebugDepth(1);
	tree.DebugDrawDepth(tree.Root());
	DebugDraw::DrawLine = previousLine;
	DebugDraw::DrawSphereUniform = previousSphere;

	EXPECT_EQ(drawnLines, 2 * 12);
	ASSERT_EQ(drawnSpheres.size(), 1u);
	EXPECT_EQ(drawnSpheres[0], tree.Root()->left->box.Centre());
}
