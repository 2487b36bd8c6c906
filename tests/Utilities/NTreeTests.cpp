#include "Utilities/NTree.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	using NameTree = tw::n_tree<std::string>;
}

TEST(NTree, ChildrenKeepInsertionOrderSiblingsWalkBothWaysAndDepthsClimbBack)
{
	NameTree tree;
	NameTree::iterator root = tree.root();
	EXPECT_TRUE(root.is_node() && root.depth() == 0);
	EXPECT_EQ(tree.begin(root), tree.end()) << "a new tree's root is empty";
	std::vector<NameTree::iterator> path{root};
	for (const char* name : {"a", "b", "c"})
		path.push_back(tree.InsertChild(path.back(), std::string(name)));
	EXPECT_EQ(path.back().depth(), 3);
	for (std::size_t level = 1; level < path.size(); ++level)
		EXPECT_EQ(path[level].parent(), path[level - 1]);
	EXPECT_EQ(tree.root().parent(), tree.root()) << "the root is its own parent";

	for (const char* name : {"d", "e"})
		tree.InsertChild(root, std::string(name));
	std::vector<std::string> children;
	for (NameTree::iterator child = tree.begin(root); child != tree.end(); ++child)
		children.push_back(child.is_leaf() ? *child : "<node>");
	EXPECT_EQ(children, (std::vector<std::string>{"<node>", "d", "e"}));
	EXPECT_EQ(tree.size(), 5u);
	NameTree::iterator position = tree.begin(root);
	EXPECT_EQ(*++++position, "e");
	EXPECT_EQ(*--position, "d");
	EXPECT_EQ(++++position, tree.end());
}

TEST(NTree, InsertingUnderALeafTurnsItIntoANodeAndDestroysItsData)
{
	LiveCounted::live = 0;
	{
		tw::n_tree<LiveCounted> tree;
		auto root = tree.root();
		auto header = tree.InsertChild(root, LiveCounted());
		auto sibling = tree.InsertChild(root, LiveCounted());
		auto other = header;
		tree.InsertChild(header, LiveCounted());
		EXPECT_TRUE(header.is_node() && header.child_count() == 1 && sibling.is_leaf());
		EXPECT_EQ(LiveCounted::live, 2) << "the replaced leaf's data must be gone";
		// Positions are slots in a list, so a second iterator onto the slot sees the node too.
		EXPECT_TRUE(other.is_node());
		EXPECT_EQ(tree.size(), 3u);
	}
	EXPECT_EQ(LiveCounted::live, 0) << "destroying the tree must destroy every leaf's data";
}

TEST(NTree, EndsOfLeavesAndNodesAndConstIterators)
{
	NameTree tree;
	NameTree::iterator root = tree.root();
	NameTree::iterator group = tree.InsertChild(root, std::string("header"));
	tree.InsertChild(group, std::string("inner"));
	NameTree::iterator leaf = tree.InsertChild(root, std::string("after"));
	EXPECT_EQ(tree.begin(leaf), tree.end()) << "a leaf has no children";
	EXPECT_TRUE(tree.end(leaf) == tree.end() && tree.end(root) == tree.end());
	EXPECT_EQ(tree.end(root).parent(), root) << "a past-the-end position still knows its list";
	const NameTree& view = tree;
	NameTree::const_iterator first = view.begin(view.root());
	ASSERT_TRUE(first.is_node());
	EXPECT_EQ(*view.begin(first), "inner");
	EXPECT_EQ(*++first, "after");
	EXPECT_EQ(NameTree::const_iterator(group).child_count(), 1u);
}

TEST(NTree, PositionsUnderASecondOrLaterSiblingKeepTheirParentLinks)
{
	NameTree tree;
	NameTree::iterator root = tree.root();
	std::vector<NameTree::iterator> siblings;
	for (const char* name : {"s0", "s1", "s2", "s3"})
		siblings.push_back(tree.InsertChild(root, std::string(name)));
	// Under each sibling but the first: two children, the first of them given one of its own.
	for (std::size_t k = 1; k < siblings.size(); ++k)
	{
		const std::string prefix = std::to_string(k);
		NameTree::iterator first = tree.InsertChild(siblings[k], prefix + ".a");
		NameTree::iterator second = tree.InsertChild(siblings[k], prefix + ".b");
		NameTree::iterator grandchild = tree.InsertChild(first, prefix + ".a.x");
		EXPECT_TRUE(first.parent() == siblings[k] && second.parent() == siblings[k]) << k;
		EXPECT_EQ(grandchild.parent(), first) << k;
		EXPECT_EQ(grandchild.parent().parent(), siblings[k]) << k;
		EXPECT_EQ(grandchild.parent().parent().parent(), root) << k;
		EXPECT_EQ(grandchild.depth(), 3);
	}
	// Every sibling that took children is now a node with its own list; the first keeps its data.
	std::vector<std::string> layout;
	for (NameTree::iterator sibling = tree.begin(root); sibling != tree.end(); ++sibling)
	{
		if (sibling.is_leaf())
		{
			layout.push_back(*sibling);
			continue;
		}
		for (NameTree::iterator child = tree.begin(sibling); child != tree.end(); ++child)
			layout.push_back(child.is_leaf() ? *child : *tree.begin(child) + " under a node");
		EXPECT_EQ(tree.begin(sibling).parent(), sibling);
		EXPECT_EQ(tree.end(sibling).parent(), sibling) << "past the end of a later sibling's list";
	}
	EXPECT_EQ(layout, (std::vector<std::string>{"s0", "1.a.x under a node", "1.b", "2.a.x under a node", "2.b", "3.a.x under a node", "3.b"}));
	EXPECT_EQ(tree.size(), 13u);
	// Insertion through a climbed-back position lands in that sibling's list.
	NameTree::iterator climbed = tree.begin(siblings[2]).parent();
	tree.InsertChild(climbed, std::string("2.c"));
	EXPECT_EQ(siblings[2].child_count(), 3u);
	EXPECT_EQ(siblings[1].child_count(), 2u);
	EXPECT_EQ(*--tree.end(siblings[2]), "2.c");
}
