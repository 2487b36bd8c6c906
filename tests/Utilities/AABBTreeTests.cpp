#include "Utilities/AABBTree.h"

#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace
{
	using Leaf = AABBTree::LeafNode;

	// Leaves of these tests carry a pointer to their own box; the exact hit is the box entry.
	float HitBox(AABBTree::UserData data, const Tuple3f* origin, const Tuple3f* direction)
	{
		return static_cast<const AABB*>(data)->RayEntry(*origin, *direction);
	}

	float AlwaysMiss(AABBTree::UserData, const Tuple3f*, const Tuple3f*)
	{
		return -1.0f;
	}

	Leaf* InsertBox(AABBTree& tree, const AABB& box, std::deque<AABB>& boxes)
	{
		boxes.push_back(box);
		return tree.Insert(&boxes.back(), &boxes.back(), HitBox);
	}

	AABB BoxAt(float x, float y = 0, float z = 0, float half = 0.5f)
	{
		return {{x - half, y - half, z - half}, {x + half, y + half, z + half}};
	}

	float RandomIn(float low, float high)
	{
		return low + (high - low) * static_cast<float>(tw::Rand()) / tw::kRandMax;
	}

	AABB RandomBox(float worldSize, float maxSize)
	{
		const Tuple3f corner(RandomIn(0, worldSize), RandomIn(0, worldSize), RandomIn(0, worldSize));
		const Tuple3f size(RandomIn(0.1f, maxSize), RandomIn(0.1f, maxSize), RandomIn(0.1f, maxSize));
		return {corner, corner + size};
	}

	Tuple3f RandomDirection()
	{
		Tuple3f direction;
		while (direction.Length() < 0.1)
			direction = Tuple3f(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1));
		return direction.Normalize();
	}

	// Checks links, depths (unless depth is -1) and box containment, and that every childless
	// node really is a leaf; returns the number of leaves below node.
	int CheckSubtree(const AABBTree::Node* node, int depth)
	{
		if (node == nullptr)
			return 0;
		if (depth >= 0)
		{
			EXPECT_EQ(node->depth, depth);
		}
		for (const AABBTree::Node* child : {node->left, node->right})
			if (child != nullptr)
			{
				EXPECT_EQ(child->parent, node);
				EXPECT_EQ(AABB::Union(*node->box, *child->box), *node->box) << "a child's box sticks out of its parent";
			}
		if (node->IsLeaf())
		{
			EXPECT_NE(dynamic_cast<const Leaf*>(node), nullptr) << "an internal node was left without children";
			return 1;
		}
		const int childDepth = depth >= 0 ? depth + 1 : -1;
		return CheckSubtree(node->left, childDepth) + CheckSubtree(node->right, childDepth);
	}

	int MaxDepth(const AABBTree::Node* node)
	{
		if (node == nullptr || node->IsLeaf())
			return 0;
		return 1 + std::max(MaxDepth(node->left), MaxDepth(node->right));
	}

	std::vector<const AABB*> DataOf(const std::vector<Leaf*>& leaves)
	{
		std::vector<const AABB*> data;
		for (const Leaf* leaf : leaves)
			data.push_back(static_cast<const AABB*>(leaf->data));
		std::sort(data.begin(), data.end());
		return data;
	}

	struct BruteForceHit
	{
		float distance = -1.0f;
	};

	BruteForceHit NearestByBruteForce(const std::vector<const AABB*>& boxes, const Tuple3f& origin, const Tuple3f& direction)
	{
		BruteForceHit nearest;
		for (const AABB* box : boxes)
		{
			const float hit = box->RayEntry(origin, direction);
			if (hit >= 0.0f && (nearest.distance < 0.0f || hit < nearest.distance))
				nearest.distance = hit;
		}
		return nearest;
	}
}

TEST(AABBTree, ThreeLeavesSplitAfterTheFirstUnlessCentresCoincide)
{
	std::deque<AABB> boxes;
	AABBTree spread;
	spread.SetCollectFlag(true);
	// The cheapest split by cost alone would put the far box on its own on the right, but
	// along every axis the only position tried is after the first leaf.
	InsertBox(spread, BoxAt(0, 0, 0), boxes);
	InsertBox(spread, BoxAt(1, 0.3f, 0.2f), boxes);
	InsertBox(spread, BoxAt(50, 0.6f, 0.4f), boxes);
	spread.Build();
	ASSERT_TRUE(spread.Root()->left->IsLeaf());
	EXPECT_EQ(*spread.Root()->left->box, BoxAt(0));
	EXPECT_FALSE(spread.Root()->right->IsLeaf());

	AABBTree coincident;
	coincident.SetCollectFlag(true);
	InsertBox(coincident, BoxAt(0, 0, 0, 0.5f), boxes);
	InsertBox(coincident, BoxAt(0.00005f, 0.00005f, 0.00005f, 0.7f), boxes);
	InsertBox(coincident, BoxAt(3), boxes);
	coincident.Build();
	EXPECT_FALSE(coincident.Root()->left->IsLeaf()) << "boxes with one centre stay together";
	ASSERT_TRUE(coincident.Root()->right->IsLeaf());
	EXPECT_EQ(*coincident.Root()->right->box, BoxAt(3));
}

TEST(AABBTree, BuildSeparatesDistantClusters)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	for (float x : {100.0f, 1.0f, 101.0f, 0.0f, 2.0f, 102.0f, 103.0f})
		InsertBox(tree, BoxAt(x, x * 0.01f), boxes);
	tree.Build();
	for (const AABBTree::Node* side : {tree.Root()->left, tree.Root()->right})
		EXPECT_TRUE(side->box->max.x < 10 || side->box->min.x > 90) << "a subtree spans both clusters";
	EXPECT_FALSE(tree.IsCollecting());
}

TEST(AABBTree, BuildLinksParentsAndNumbersDepths)
{
	tw::SeedRand(3);
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	for (int i = 0; i < 500; ++i)
		InsertBox(tree, RandomBox(100, 5), boxes);
	EXPECT_EQ(tree.Root(), nullptr) << "collected leaves wait for the build";
	tree.Build();
	EXPECT_EQ(tree.Root()->parent, nullptr);
	EXPECT_EQ(CheckSubtree(tree.Root(), 0), 500);
	EXPECT_EQ(tree.DepthCounter(), MaxDepth(tree.Root()));
	EXPECT_LT(tree.DepthCounter(), 40) << "the cost-driven split keeps random boxes shallow";
}

TEST(AABBTree, InsertAfterBuildJoinsAtTheTop)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	for (int i = 0; i < 4; ++i)
		InsertBox(tree, BoxAt(static_cast<float>(i * 3)), boxes);
	tree.Build();
	AABBTree::Node* const oldRoot = tree.Root();
	const int depthCounter = tree.DepthCounter();
	Leaf* added = InsertBox(tree, BoxAt(-20), boxes);
	EXPECT_EQ(tree.Root()->left, oldRoot);
	EXPECT_EQ(tree.Root()->right, added);
	EXPECT_EQ(oldRoot->parent, tree.Root());
	EXPECT_EQ(added->parent, tree.Root());
	EXPECT_EQ(oldRoot->depth, 0) << "depths stay until the next build";
	EXPECT_EQ(tree.DepthCounter(), depthCounter + 1);
	EXPECT_EQ(*tree.Root()->box, AABB::Union(*oldRoot->box, BoxAt(-20)));
}

TEST(AABBTree, RemoveNodePrunesEmptyAncestors)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	std::vector<Leaf*> leaves;
	for (int i = 0; i < 6; ++i)
		leaves.push_back(InsertBox(tree, BoxAt(static_cast<float>(i * 2)), boxes));
	tree.Build();
	const AABB everything{{-100, -100, -100}, {100, 100, 100}};
	for (size_t removed = 0; removed < leaves.size(); ++removed)
	{
		tree.RemoveNode(leaves[removed]);
		std::vector<Leaf*> found;
		tree.QueryBox(everything, found);
		EXPECT_EQ(found.size(), leaves.size() - removed - 1);
		for (size_t kept = removed + 1; kept < leaves.size(); ++kept)
			EXPECT_EQ(tree.QueryPoint(leaves[kept]->data, boxes[kept].Centre()), leaves[kept]);
		EXPECT_EQ(CheckSubtree(tree.Root(), -1), static_cast<int>(leaves.size() - removed - 1));
	}
	EXPECT_EQ(tree.Root(), nullptr);
	AABBTree::UserData data = nullptr;
	EXPECT_EQ(tree.RayCast(Tuple3f(-5, 0, 0), Tuple3f(1, 0, 0), data), -1.0f);
}

TEST(AABBTree, RemovingACollectedLeafKeepsTheBuildSound)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	InsertBox(tree, BoxAt(0), boxes);
	Leaf* dropped = InsertBox(tree, BoxAt(5), boxes);
	InsertBox(tree, BoxAt(10), boxes);
	tree.RemoveNode(dropped);
	tree.Build();
	std::vector<Leaf*> found;
	tree.QueryBox(AABB{{-100, -100, -100}, {100, 100, 100}}, found);
	EXPECT_EQ(DataOf(found), (std::vector<const AABB*>{std::min(&boxes[0], &boxes[2]), std::max(&boxes[0], &boxes[2])}));
}

TEST(AABBTree, BuildOverAFilledTreeKeepsItsLeaves)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	Leaf* first = InsertBox(tree, BoxAt(0), boxes);
	InsertBox(tree, BoxAt(4), boxes);
	tree.SetCollectFlag(true);
	InsertBox(tree, BoxAt(8), boxes);
	tree.Build();
	EXPECT_EQ(CheckSubtree(tree.Root(), 0), 3);
	EXPECT_EQ(tree.QueryPoint(first->data, Tuple3f(0, 0, 0)), first);
}

TEST(AABBTree, RayCastParallelToAFaceMissesOutsideTheSlab)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	InsertBox(tree, BoxAt(5), boxes);
	AABBTree::UserData data = &boxes;
	EXPECT_EQ(tree.RayCast(Tuple3f(0, 0.6f, 0), Tuple3f(1, 0.00005f, 0), data), -1.0f);
	EXPECT_EQ(data, &boxes) << "a miss leaves the data alone";
	EXPECT_EQ(tree.RayCast(Tuple3f(0, 0.4f, 0), Tuple3f(1, 0.00005f, 0), data), 4.5f);
	EXPECT_EQ(data, &boxes[0]);
}

TEST(AABBTree, RayCastTieReportsTheLeftLeaf)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	// Two leaves entered at the same distance: x = 2 face of both.
	Leaf* upper = InsertBox(tree, AABB{{2, 0, -1}, {3, 1, 1}}, boxes);
	Leaf* lower = InsertBox(tree, AABB{{2, -1, -1}, {3, 0, 1}}, boxes);
	tree.Build();
	const AABBTree::UserData leftData = static_cast<Leaf*>(tree.Root()->left)->data;
	ASSERT_TRUE(leftData == upper->data || leftData == lower->data);
	AABBTree::UserData data = nullptr;
	EXPECT_EQ(tree.RayCast(Tuple3f(0, 0, 0), Tuple3f(1, 0, 0), data), 2.0f);
	EXPECT_EQ(data, leftData);
}

TEST(AABBTree, RayCastAsksTheOwnerForTheExactHit)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	boxes.push_back(BoxAt(3));
	tree.Insert(&boxes.back(), &boxes.back(), AlwaysMiss);
	Leaf* behind = InsertBox(tree, BoxAt(6), boxes);
	AABBTree::UserData data = nullptr;
	EXPECT_EQ(tree.RayCast(Tuple3f(0, 0, 0), Tuple3f(1, 0, 0), data), 5.5f) << "the first box's owner said miss";
	EXPECT_EQ(data, behind->data);
}

TEST(AABBTree, QueryBoxTouchingAFaceFindsTheLeaf)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	Leaf* leaf = InsertBox(tree, BoxAt(0), boxes);
	InsertBox(tree, BoxAt(10), boxes);
	std::vector<Leaf*> found;
	tree.QueryBox(AABB{{0.5f, -3, -3}, {2, 3, 3}}, found);
	EXPECT_EQ(found, std::vector<Leaf*>{leaf});
	found.clear();
	tree.QueryBox(AABB{{0.51f, -3, -3}, {2, 3, 3}}, found);
	EXPECT_TRUE(found.empty());
}

TEST(AABBTree, QueryPointMatchesDataAndPoint)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	int owner = 0;
	boxes.push_back(BoxAt(0));
	Leaf* near = tree.Insert(&boxes.back(), &owner, HitBox);
	boxes.push_back(BoxAt(5));
	Leaf* far = tree.Insert(&boxes.back(), &owner, HitBox);
	InsertBox(tree, BoxAt(5), boxes);
	tree.Build();
	EXPECT_EQ(tree.QueryPoint(&owner, Tuple3f(0.5f, 0.5f, 0.5f)), near);
	EXPECT_EQ(tree.QueryPoint(&owner, Tuple3f(5, 0, 0)), far);
	EXPECT_EQ(tree.QueryPoint(&owner, Tuple3f(2.5f, 0, 0)), nullptr);
	EXPECT_EQ(tree.QueryPoint(&boxes, Tuple3f(5, 0, 0)), nullptr);
}

TEST(AABBTree, ClearEmptiesTreeAndCollectedLeaves)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	for (int i = 0; i < 5; ++i)
		InsertBox(tree, BoxAt(static_cast<float>(i)), boxes);
	tree.SetCollectFlag(true);
	InsertBox(tree, BoxAt(9), boxes);
	tree.Clear();
	EXPECT_EQ(tree.Root(), nullptr);
	EXPECT_EQ(tree.DepthCounter(), 0);
	EXPECT_FALSE(tree.IsCollecting());
	tree.Build();
	EXPECT_EQ(tree.Root(), nullptr) << "the collected leaf went with the clear";
}

TEST(AABBTree, IdenticalBoxesBuildAValidTree)
{
	std::deque<AABB> boxes;
	AABBTree tree;
	tree.SetCollectFlag(true);
	for (int i = 0; i < 300; ++i)
		InsertBox(tree, BoxAt(1, 2, 3), boxes);
	tree.Build();
	EXPECT_EQ(CheckSubtree(tree.Root(), 0), 300);
	std::vector<Leaf*> found;
	tree.QueryBox(BoxAt(1, 2, 3, 0.1f), found);
	EXPECT_EQ(found.size(), 300u);
	AABBTree::UserData data = nullptr;
	EXPECT_EQ(tree.RayCast(Tuple3f(-5, 2, 3), Tuple3f(1, 0, 0), data), 5.5f);
}

TEST(AABBTree, RandomQueriesAndRaysMatchBruteForce)
{
	tw::SeedRand(2024);
	constexpr int kBoxCount = 10000;
	constexpr float kWorld = 200.0f;
	std::deque<AABB> boxes;
	std::vector<Leaf*> leaves;
	AABBTree tree;
	tree.SetCollectFlag(true);
	for (int i = 0; i < kBoxCount; ++i)
		leaves.push_back(InsertBox(tree, RandomBox(kWorld, 6), boxes));
	tree.Build();
	// Some removals and incremental insertions exercise the tree after the build too.
	for (int i = 0; i < 200; ++i)
	{
		const size_t index = static_cast<size_t>(tw::Rand()) % leaves.size();
		tree.RemoveNode(leaves[index]);
		leaves[index] = leaves.back();
		leaves.pop_back();
	}
	for (int i = 0; i < 100; ++i)
		leaves.push_back(InsertBox(tree, RandomBox(kWorld, 6), boxes));

	std::vector<const AABB*> live;
	for (const Leaf* leaf : leaves)
		live.push_back(static_cast<const AABB*>(leaf->data));
	std::sort(live.begin(), live.end());

	for (int query = 0; query < 300; ++query)
	{
		const AABB region = RandomBox(kWorld, 30);
		std::vector<const AABB*> expected;
		for (const AABB* box : live)
			if (box->Overlaps(region))
				expected.push_back(box);
		std::vector<Leaf*> found;
		tree.QueryBox(region, found);
		ASSERT_EQ(DataOf(found), expected) << "query " << query;
	}

	int hits = 0;
	for (int ray = 0; ray < 2000; ++ray)
	{
		const Tuple3f origin(RandomIn(-20, kWorld + 20), RandomIn(-20, kWorld + 20), RandomIn(-20, kWorld + 20));
		const Tuple3f direction = ray % 10 == 0 ? Tuple3f(0, 0, 1) : RandomDirection();
		const BruteForceHit expected = NearestByBruteForce(live, origin, direction);
		AABBTree::UserData data = nullptr;
		const float distance = tree.RayCast(origin, direction, data);
		ASSERT_EQ(distance, expected.distance) << "ray " << ray << " from " << origin << " along " << direction;
		if (distance >= 0.0f)
		{
			++hits;
			ASSERT_TRUE(std::binary_search(live.begin(), live.end(), static_cast<const AABB*>(data)));
			EXPECT_EQ(static_cast<const AABB*>(data)->RayEntry(origin, direction), distance);
		}
	}
	EXPECT_GT(hits, 500) << "the rays should mostly hit something";
}
