#include "Utilities/NTree.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	using Tree = tw::n_tree<std::string>;

	std::vector<std::string> Children(Tree& tree, Tree::iterator position)
	{
		std::vector<std::string> names;
		for (Tree::iterator child = tree.begin(position); child != tree.end(); ++child)
			names.push_back(child.is_leaf() ? *child : "<node>");
		return names;
	}
}

TEST(NTree, ChildrenKeepInsertionOrderAndSiblingsWalkBothWays)
{
	Tree tree;
	Tree::iterator root = tree.root();
	EXPECT_TRUE(root.is_node());
	EXPECT_EQ(root.depth(), 0);
	EXPECT_EQ(tree.begin(root), tree.end()) << "a new tree's root is empty";
	for (const char* name : {"a", "b", "c"})
		tree.InsertChild(root, std::string(name));
	EXPECT_EQ(Children(tree, root), (std::vector<std::string>{"a", "b", "c"}));
	EXPECT_EQ(tree.size(), 3u);
	Tree::iterator position = tree.begin(root);
	EXPECT_EQ(*++++position, "c");
	EXPECT_EQ(*--position, "b");
	EXPECT_EQ(++++position, tree.end());
}

TEST(NTree, InsertingUnderALeafTurnsItIntoANodeAndDestroysItsData)
{
	LiveCounted::live = 0;
	{
		tw::n_tree<LiveCounted> tree;
		tw::n_tree<LiveCounted>::iterator root = tree.root();
		tw::n_tree<LiveCounted>::iterator header = tree.InsertChild(root, LiveCounted());
		tw::n_tree<LiveCounted>::iterator sibling = tree.InsertChild(root, LiveCounted());
		tw::n_tree<LiveCounted>::iterator other = header;
		tree.InsertChild(header, LiveCounted());
		EXPECT_TRUE(header.is_node());
		EXPECT_EQ(LiveCounted::live, 2) << "the replaced leaf's data must be gone";
		// Positions are slots in a list, so a second iterator onto the slot sees the node too.
		EXPECT_TRUE(other.is_node());
		EXPECT_EQ(header.child_count(), 1u);
		EXPECT_TRUE(sibling.is_leaf());
		EXPECT_EQ(tree.size(), 3u);
	}
	EXPECT_EQ(LiveCounted::live, 0) << "destroying the tree must destroy every leaf's data";
}

TEST(NTree, DepthCountsStepsFromTheRootAndParentClimbsBack)
{
	Tree tree;
	std::vector<Tree::iterator> path{tree.root()};
	for (int level = 1; level <= 4; ++level)
	{
		path.push_back(tree.InsertChild(path.back(), "level " + std::to_string(level)));
		EXPECT_EQ(path.back().depth(), level);
	}
	EXPECT_EQ(*path.back(), "level 4");
	for (int level = 3; level >= 0; --level)
		EXPECT_EQ(path[static_cast<std::size_t>(level) + 1].parent(), path[static_cast<std::size_t>(level)]);
	EXPECT_EQ(tree.root().parent(), tree.root()) << "the root is its own parent";
}

TEST(NTree, EndsOfLeavesAndNodesAndConstIterators)
{
	Tree tree;
	Tree::iterator root = tree.root();
	Tree::iterator group = tree.InsertChild(root, std::string("header"));
	tree.InsertChild(group, std::string("inner"));
	Tree::iterator leaf = tree.InsertChild(root, std::string("after"));
	EXPECT_EQ(tree.begin(leaf), tree.end()) << "a leaf has no children";
	EXPECT_EQ(tree.end(leaf), tree.end());
	EXPECT_EQ(tree.end(root), tree.end());
	EXPECT_EQ(tree.end(root).parent(), root) << "a past-the-end position still knows its list";
	const Tree& view = tree;
	Tree::const_iterator first = view.begin(view.root());
	ASSERT_TRUE(first.is_node());
	EXPECT_EQ(*view.begin(first), "inner");
	EXPECT_EQ(*++first, "after");
	EXPECT_EQ(Tree::const_iterator(group).child_count(), 1u);
}
