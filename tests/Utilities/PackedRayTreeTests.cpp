#include "Utilities/PackedRayTree.h"

#include "Utilities/AABBTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace
{
	// Unit boxes centred on the x axis at the given distances, built into one tree.
	struct RayRow
	{
		explicit RayRow(const std::vector<float>& centres)
		{
			tree.SetCollectFlag(true);
			for (float x : centres)
			{
				AABB* box = &boxes.emplace_back(AABB{{x - 0.5f, -0.5f, -0.5f}, {x + 0.5f, 0.5f, 0.5f}});
				tree.Insert(box, box, nullptr);
			}
			tree.Build();
			for (const AABBTreeLeafNode* leaf : packed.Pack(tree.Root()))
				order.push_back(static_cast<const AABB*>(leaf->data));
		}

		// Casts along +x from the origin, each leaf answering its box's entry; counts the tests.
		float Cast(float farthest, int& tests, std::uint32_t& hitLeaf) const
		{
			const Tuple3f origin(0, 0, 0), along(1, 0, 0);
			return packed.RayCast(origin, along, farthest, order.data(), [&](const AABB* box, float) {
				++tests;
				return box->RayEntry(origin, along);
			}, hitLeaf);
		}

		std::deque<AABB> boxes;
		AABBTree tree;
		PackedRayTree packed;
		std::vector<const AABB*> order;
	};

	void CollectLeaves(const AABBTree::Node* node, std::vector<const AABB*>& out)
	{
		if (node == nullptr)
			return;
		if (node->IsLeaf())
			out.push_back(static_cast<const AABB*>(static_cast<const AABBTreeLeafNode*>(node)->data));
		CollectLeaves(node->left, out);
		CollectLeaves(node->right, out);
	}
}

// Along +x a hit at distance d is the box whose min.x is d.
TEST(PackedRayTree, LeavesComeLeftToRightAndTheNearestHitRulesOutFartherBoxes)
{
	const std::vector<float> eight{12, 2, 8, 4, 10, 6, 16, 14};
	const struct
	{
		const char* name;
		std::vector<float> centres;
		float farthest, distance;
		int tests;
	} cases[] = {
		{"every box behind the first hit is entered beyond it", eight, AABBTree::kNoHitYet, 1.5f, 1},
		{"nothing is entered before farthest", eight, 1.0f, -1.0f, 0},
		{"a tree of one leaf is its leaf", {3}, AABBTree::kNoHitYet, 2.5f, 1},
		{"an empty tree misses", {}, AABBTree::kNoHitYet, -1.0f, 0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		const RayRow row(c.centres);
		std::vector<const AABB*> leftToRight;
		CollectLeaves(row.tree.Root(), leftToRight);
		EXPECT_EQ(row.order, leftToRight);
		int tests = 0;
		std::uint32_t hitLeaf = 99;
		EXPECT_EQ(row.Cast(c.farthest, tests, hitLeaf), c.distance);
		EXPECT_EQ(tests, c.tests);
		EXPECT_EQ(hitLeaf < row.order.size() ? row.order[hitLeaf]->min.x : -1.0f, c.distance) << "hit leaf " << hitLeaf;
		EXPECT_TRUE(c.distance >= 0.0f || hitLeaf == 99) << "a miss leaves hitLeaf alone";
	}
}

// Leaves that all miss leave nothing to prune: the walk tests every leaf whose box it enters
// once, however the binary tree was shaped (deep chains fill the walk's stack the most).
TEST(PackedRayTree, AWalkWithoutHitsTestsEveryEnteredLeafOnce)
{
	const struct
	{
		const char* name;
		int leaves;
		bool built;
		int removeEvery;
	} cases[] = {
		{"built", 100, true, 0},
		{"grown one leaf at a time, a chain", 300, false, 0},
		{"built, then every third leaf removed", 100, true, 3},
		{"grown, then every other leaf removed", 60, false, 2},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		std::deque<AABB> boxes;
		AABBTree tree;
		tree.SetCollectFlag(c.built);
		std::vector<AABBTree::LeafNode*> inserted;
		for (int i = 0; i < c.leaves; ++i)
		{
			const float x = static_cast<float>(i % 7) + 2.0f;
			AABB* box = &boxes.emplace_back(AABB{{x, -0.5f, -0.5f}, {x + 1.0f, 0.5f, 0.5f}});
			inserted.push_back(tree.Insert(box, box, nullptr));
		}
		if (c.built)
			tree.Build();
		int kept = c.leaves;
		for (int i = 0; c.removeEvery > 0 && i < c.leaves; i += c.removeEvery, --kept)
			tree.RemoveNode(inserted[static_cast<std::size_t>(i)]);
		PackedRayTree packed;
		const std::vector<const AABBTreeLeafNode*> order = packed.Pack(tree.Root());
		ASSERT_EQ(order.size(), static_cast<std::size_t>(kept));
		std::vector<int> tests(order.size());
		std::uint32_t hitLeaf = 99;
		const float hit = packed.RayCast(Tuple3f(0, 0, 0), Tuple3f(1, 0, 0), AABBTree::kNoHitYet, order.data(),
			[&](const AABBTreeLeafNode* leaf, float) {
				++tests[static_cast<std::size_t>(std::find(order.begin(), order.end(), leaf) - order.begin())];
				return -1.0f;
			},
			hitLeaf);
		EXPECT_EQ(hit, -1.0f);
		EXPECT_EQ(std::count(tests.begin(), tests.end(), 1), kept) << "each leaf tested once";
	}
}
