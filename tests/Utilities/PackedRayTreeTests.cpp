#include "Utilities/PackedRayTree.h"

#include "Utilities/AABBTree.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace
{
	// Unit boxes centred on the x axis at the given distances, built into one tree.
	struct Row
	{
		explicit Row(std::initializer_list<float> centres)
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
			return packed.RayCast(origin, along, farthest, order.data(), [&](const AABB* box) {
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

TEST(PackedRayTree, LeavesComeLeftToRightAndTheNearestHitRulesOutFartherBoxes)
{
	const Row row({12, 2, 8, 4, 10, 6, 16, 14});
	std::vector<const AABB*> leftToRight;
	CollectLeaves(row.tree.Root(), leftToRight);
	EXPECT_EQ(row.order, leftToRight);

	int tests = 0;
	std::uint32_t hitLeaf = 99;
	EXPECT_EQ(row.Cast(AABBTree::kNoHitYet, tests, hitLeaf), 1.5f);
	EXPECT_EQ(row.order[hitLeaf]->min.x, 1.5f);
	EXPECT_EQ(tests, 1) << "every box behind the first hit is entered beyond it";

	tests = 0;
	hitLeaf = 99;
	EXPECT_EQ(row.Cast(1.0f, tests, hitLeaf), -1.0f) << "nothing is entered before farthest";
	EXPECT_TRUE(tests == 0 && hitLeaf == 99);
}

TEST(PackedRayTree, AnEmptyTreeMissesAndATreeOfOneLeafIsItsLeaf)
{
	PackedRayTree packed;
	EXPECT_TRUE(packed.Pack(nullptr).empty());
	std::uint32_t hitLeaf = 7;
	const int* none = nullptr;
	EXPECT_EQ(packed.RayCast(Tuple3f(), Tuple3f(1, 0, 0), AABBTree::kNoHitYet, none, [](int) { return 1.0f; }, hitLeaf), -1.0f);

	const Row one({3});
	int tests = 0;
	EXPECT_TRUE(one.order.size() == 1 && one.Cast(AABBTree::kNoHitYet, tests, hitLeaf) == 2.5f && hitLeaf == 0);
}
