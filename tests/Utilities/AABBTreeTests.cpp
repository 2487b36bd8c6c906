#include "Utilities/AABBTree.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>
#include <vector>

namespace
{
	using TreeLeaf = AABBTree::LeafNode;
	using TreeHit = std::pair<float, AABBTree::UserData>;
	const AABB kEverything{{-1000, -1000, -1000}, {1000, 1000, 1000}};

	// A tree that keeps the boxes its leaves refer to; each leaf's data is its own box, whose
	// entry is the exact hit.
	struct Tree : AABBTree
	{
		explicit Tree(bool collect = false) { SetCollectFlag(collect); }
		TreeLeaf* Add(const AABB& box)
		{
			AABB* own = &boxes.emplace_back(box);
			return Insert(own, own, [](UserData data, const Tuple3f* origin, const Tuple3f* direction, float) {
				return static_cast<const AABB*>(data)->RayEntry(*origin, *direction);
			});
		}
		std::vector<const AABB*> Query(const AABB& region) const
		{
			std::vector<TreeLeaf*> found;
			QueryBox(region, found);
			return DataOf(found);
		}
		// The distance and data a ray cast reports, its data starting as `data`.
		TreeHit Cast(const Tuple3f& origin, const Tuple3f& direction, AABBTree::UserData data = nullptr) const
		{
			const float distance = RayCast(origin, direction, data);
			return {distance, data};
		}
		static std::vector<const AABB*> DataOf(const std::vector<TreeLeaf*>& leaves)
		{
			std::vector<const AABB*> data;
			for (const TreeLeaf* leaf : leaves)
				data.push_back(static_cast<const AABB*>(leaf->data));
			std::sort(data.begin(), data.end());
			return data;
		}
		std::deque<AABB> boxes;
	};

	AABB TreeBoxAt(float x, float y = 0, float z = 0, float half = 0.5f)
	{
		return {{x - half, y - half, z - half}, {x + half, y + half, z + half}};
	}

	AABB RandomBox(float worldSize, float maxSize)
	{
		const Tuple3f corner(RandomIn(0, worldSize), RandomIn(0, worldSize), RandomIn(0, worldSize));
		return {corner, corner + Tuple3f(RandomIn(0.1f, maxSize), RandomIn(0.1f, maxSize), RandomIn(0.1f, maxSize))};
	}

	// Checks links, depths (unless depth is -1) and box containment, and that every childless
	// node really is a leaf; returns the number of leaves below node and raises deepest.
	int CheckSubtree(const AABBTree::Node* node, int depth, int& deepest)
	{
		if (node == nullptr)
			return 0;
		EXPECT_TRUE(depth < 0 || node->depth == depth) << node->depth << " numbered at depth " << depth;
		for (const AABBTree::Node* child : {node->left, node->right})
		{
			if (child == nullptr)
				continue;
			EXPECT_TRUE(child->parent == node && AABB::Union(*node->box, *child->box) == *node->box) << "a child's box sticks out of its parent";
		}
		if (!node->IsLeaf())
			return CheckSubtree(node->left, depth < 0 ? -1 : depth + 1, deepest) + CheckSubtree(node->right, depth < 0 ? -1 : depth + 1, deepest);
		EXPECT_NE(dynamic_cast<const TreeLeaf*>(node), nullptr) << "an internal node was left without children";
		deepest = std::max(deepest, node->depth);
		return 1;
	}

	// Checks the whole tree as CheckSubtree does and that it holds `leaves` leaves; returns the
	// depth of its deepest leaf.
	int CheckTree(const AABBTree& tree, std::size_t leaves, bool depthsNumbered = true)
	{
		int deepest = 0;
		EXPECT_EQ(CheckSubtree(tree.Root(), depthsNumbered ? 0 : -1, deepest), static_cast<int>(leaves));
		return deepest;
	}
}

// Copies of one box have centres that never separate, and boxes nested like onion skins are
// cheapest to split one at a time; both used to build as deep as they are many.
TEST(AABBTree, BuildLinksParentsNumbersDepthsAndStaysShallow)
{
	const struct
	{
		const char* layout;
		int seed;
		int leaves;
		AABB (*box)(int i);
		int maxDepth;
		bool twoClusters;
	} rows[] = {
		{"random", 3, 500, [](int) { return RandomBox(100, 5); }, 39, false},
		{"300 copies", 0, 300, [](int) { return TreeBoxAt(1, 2, 3); }, 9, false},
		{"two clusters", 0, 7, [](int i) { constexpr float x[] = {100, 1, 101, 0, 2, 102, 103}; return TreeBoxAt(x[i], x[i] * 0.01f); }, 3, true},
		{"20000 copies", 0, 20000, [](int) { return TreeBoxAt(1, 2, 3); }, 15, false},
		{"nested", 0, 2000, [](int i) { return TreeBoxAt(i * 1e-3f, 0, 0, std::pow(1.03f, static_cast<float>(i))); }, 64, false},
		{"copies among random", 8, 4000, [](int i) { return i % 2 == 0 ? TreeBoxAt(50, 50, 50) : RandomBox(100, 5); }, 40, false},
	};
	for (const auto& row : rows)
	{
		SCOPED_TRACE(row.layout);
		tw::SeedRand(row.seed);
		Tree tree(true);
		for (int i = 0; i < row.leaves; ++i)
			tree.Add(row.box(i));
		EXPECT_EQ(tree.Root(), nullptr) << "collected leaves wait for the build";
		tree.Build();
		EXPECT_TRUE(!tree.IsCollecting() && tree.Root()->parent == nullptr);
		EXPECT_EQ(tree.DepthCounter(), CheckTree(tree, tree.boxes.size()));
		EXPECT_LE(tree.DepthCounter(), row.maxDepth);
		EXPECT_EQ(tree.Query(kEverything).size(), tree.boxes.size());
		const Tuple3f first = tree.boxes.front().Centre();
		const AABB spot = TreeBoxAt(first.x, first.y, first.z, 0.1f);
		EXPECT_EQ(tree.Query(spot).size(), static_cast<std::size_t>(std::count_if(tree.boxes.begin(), tree.boxes.end(), [&](const AABB& box) { return box.Overlaps(spot); })));
		for (const AABBTree::Node* side : {tree.Root()->left, tree.Root()->right})
			EXPECT_TRUE(!row.twoClusters || side->box->max.x < 10 || side->box->min.x > 90) << "a subtree spans both clusters";
	}
}

TEST(AABBTree, InsertAfterBuildJoinsAtTheTopAndClearEmptiesEverything)
{
	Tree tree(true);
	for (int i = 0; i < 4; ++i)
		tree.Add(TreeBoxAt(static_cast<float>(i * 3)));
	tree.Build();
	AABBTree::Node* const oldRoot = tree.Root();
	const int depthCounter = tree.DepthCounter();
	TreeLeaf* added = tree.Add(TreeBoxAt(-20));
	EXPECT_TRUE(tree.Root()->left == oldRoot && tree.Root()->right == added && oldRoot->parent == tree.Root() && added->parent == tree.Root());
	EXPECT_TRUE(oldRoot->depth == 0 && tree.DepthCounter() == depthCounter + 1) << "depths stay until the next build";
	EXPECT_EQ(*tree.Root()->box, AABB::Union(*oldRoot->box, TreeBoxAt(-20)));

	tree.SetCollectFlag(true);
	tree.Add(TreeBoxAt(9));
	tree.Clear();
	EXPECT_TRUE(tree.Root() == nullptr && tree.DepthCounter() == 0 && !tree.IsCollecting());
	tree.Build();
	EXPECT_EQ(tree.Root(), nullptr) << "the collected leaf went with the clear";
}

TEST(AABBTree, RemoveNodePrunesEmptyAncestorsAndQueryPointFindsTheRest)
{
	Tree tree(true);
	std::vector<TreeLeaf*> leaves;
	for (float x : {0, 2, 4, 6, 8, 10})
		leaves.push_back(tree.Add(TreeBoxAt(x)));
	tree.Build();
	for (size_t removed = 0; removed < leaves.size(); ++removed)
	{
		tree.RemoveNode(leaves[removed]);
		const std::vector<TreeLeaf*> kept(leaves.begin() + static_cast<std::ptrdiff_t>(removed) + 1, leaves.end());
		EXPECT_EQ(tree.Query(kEverything), Tree::DataOf(kept));
		for (TreeLeaf* leaf : kept)
			EXPECT_TRUE(tree.QueryPoint(leaf->data, leaf->box->Centre()) == leaf && !tree.QueryPoint(&tree, leaf->box->Centre()) &&
				!tree.QueryPoint(leaf->data, leaf->box->Centre() + Tuple3f(0, 1, 0))) << "the point and the data must both match";
		CheckTree(tree, kept.size(), false);
	}
	EXPECT_EQ(tree.Root(), nullptr);
	EXPECT_EQ(tree.Cast(Tuple3f(-5, 0, 0), Tuple3f(1, 0, 0)).first, -1.0f);
}

// A build takes the leaves the tree already holds and those collected since, less any removed.
TEST(AABBTree, BuildKeepsTheLeavesHeldAndCollectedButNotTheRemoved)
{
	Tree collected(true);
	TreeLeaf* first = collected.Add(TreeBoxAt(0));
	collected.RemoveNode(collected.Add(TreeBoxAt(5)));
	TreeLeaf* last = collected.Add(TreeBoxAt(10));
	collected.Build();
	EXPECT_EQ(collected.Query(kEverything), Tree::DataOf({first, last}));

	Tree filled;
	TreeLeaf* held = filled.Add(TreeBoxAt(0));
	filled.Add(TreeBoxAt(4));
	filled.SetCollectFlag(true);
	filled.Add(TreeBoxAt(8));
	filled.Build();
	CheckTree(filled, 3);
	EXPECT_EQ(filled.QueryPoint(held->data, Tuple3f(0, 0, 0)), held);
}

TEST(AABBTree, RayCastAsksTheOwnerForTheExactHit)
{
	Tree tree;
	const AABB inFront = TreeBoxAt(3); // its owner says miss
	tree.Insert(&inFront, nullptr, [](AABBTree::UserData, const Tuple3f*, const Tuple3f*, float) { return -1.0f; });
	TreeLeaf* behind = tree.Add(TreeBoxAt(6));
	EXPECT_EQ(tree.Cast(Tuple3f(0, 0, 0), Tuple3f(1, 0, 0)), TreeHit(5.5f, behind->data));
	EXPECT_EQ(tree.Cast(Tuple3f(0, 0.6f, 0), Tuple3f(1, 0.00005f, 0), behind->data), TreeHit(-1.0f, behind->data)) << "a miss leaves the data alone";
}

TEST(AABBTree, RayCastSeesEveryChangeSinceTheLastCast)
{
	Tree tree(true);
	TreeLeaf* far = tree.Add(TreeBoxAt(8));
	tree.Build();
	const Tuple3f origin(0, 0, 0), along(1, 0, 0);
	EXPECT_EQ(tree.Cast(origin, along), TreeHit(7.5f, far->data));
	TreeLeaf* near = tree.Add(TreeBoxAt(4));
	EXPECT_EQ(tree.Cast(origin, along), TreeHit(3.5f, near->data)) << "inserted";
	tree.RemoveNode(near);
	EXPECT_EQ(tree.Cast(origin, along), TreeHit(7.5f, far->data)) << "removed";
	tree.boxes.front() = TreeBoxAt(2);
	tree.Refit();
	EXPECT_EQ(tree.Cast(origin, along), TreeHit(1.5f, far->data)) << "refitted";
	EXPECT_EQ(tree.Cast(Tuple3f(2, -5, 0), Tuple3f(0, 1, 0)), TreeHit(4.5f, far->data)) << "refitted, away from where the box was";
	tree.Clear();
	EXPECT_EQ(tree.Cast(origin, along).first, -1.0f) << "cleared";
}

TEST(AABBTree, RayCastTieReportsTheLeftLeaf)
{
	// Two leaves entered at the same distance: x = 2 face of both.
	Tree tie(true);
	tie.Add(AABB{{2, 0, -1}, {3, 1, 1}});
	tie.Add(AABB{{2, -1, -1}, {3, 0, 1}});
	tie.Build();
	EXPECT_EQ(tie.Cast(Tuple3f(0, 0, 0), Tuple3f(1, 0, 0)), TreeHit(2.0f, static_cast<TreeLeaf*>(tie.Root()->left)->data));
}

namespace
{
	// Box queries and rays against the live boxes one by one: the same boxes, the nearest entry.
	void ExpectTreeMatchesBruteForce(const Tree& tree, const std::vector<const AABB*>& live, float world)
	{
		for (int query = 0; query < 300; ++query)
		{
			const AABB region = RandomBox(world, 30);
			std::vector<const AABB*> expected;
			std::copy_if(live.begin(), live.end(), std::back_inserter(expected), [&](const AABB* box) { return box->Overlaps(region); });
			ASSERT_EQ(tree.Query(region), expected) << "query " << query;
		}
		int hits = 0;
		for (int ray = 0; ray < 2000; ++ray)
		{
			const Tuple3f origin(RandomIn(-20, world + 20), RandomIn(-20, world + 20), RandomIn(-20, world + 20));
			Tuple3f direction(0, 0, 1); // every tenth ray runs parallel to two slabs
			while (ray % 10 != 0 && (direction = Tuple3f(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1))).Length() < 0.1)
				;
			direction = direction.Normalize();
			float nearest = -1.0f;
			for (const AABB* box : live)
				if (const float hit = box->RayEntry(origin, direction); hit >= 0.0f && (nearest < 0.0f || hit < nearest))
					nearest = hit;
			AABBTree::UserData data = nullptr;
			const float distance = tree.RayCast(origin, direction, data);
			ASSERT_EQ(distance, nearest) << "ray " << ray << " from " << origin << " along " << direction;
			hits += distance >= 0.0f;
			if (distance >= 0.0f)
			{
				ASSERT_TRUE(std::binary_search(live.begin(), live.end(), static_cast<const AABB*>(data)) && static_cast<const AABB*>(data)->RayEntry(origin, direction) == distance);
			}
		}
		EXPECT_GT(hits, 500) << "the rays should mostly hit something";
	}
}

TEST(AABBTree, RandomQueriesAndRaysMatchBruteForceBeforeAndAfterARefit)
{
	tw::SeedRand(2024);
	constexpr float kWorld = 200.0f;
	Tree tree(true);
	std::vector<TreeLeaf*> leaves(10000);
	for (TreeLeaf*& leaf : leaves)
		leaf = tree.Add(RandomBox(kWorld, 6));
	tree.Build();
	// Some removals and incremental insertions exercise the tree after the build too.
	for (int i = 0; i < 200; ++i)
	{
		TreeLeaf*& removed = leaves[static_cast<size_t>(tw::Rand()) % leaves.size()];
		tree.RemoveNode(removed);
		removed = leaves.back();
		leaves.pop_back();
	}
	for (int i = 0; i < 100; ++i)
		leaves.push_back(tree.Add(RandomBox(kWorld, 6)));
	const std::vector<const AABB*> live = Tree::DataOf(leaves);

	ExpectTreeMatchesBruteForce(tree, live, kWorld);

	// Every box moved and resized where it stands, then the tree refitted around them.
	for (AABB& box : tree.boxes)
	{
		const Tuple3f corner = box.min + Tuple3f(RandomIn(-20, 20), RandomIn(-20, 20), RandomIn(-20, 20));
		box = {corner, corner + Tuple3f(RandomIn(0.1f, 9), RandomIn(0.1f, 9), RandomIn(0.1f, 9))};
	}
	tree.Refit();
	CheckTree(tree, live.size(), false);
	ExpectTreeMatchesBruteForce(tree, live, kWorld);
}
