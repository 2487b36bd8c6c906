#include "Utilities/NTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
	using Tree = tw::n_tree<std::string>;

	// Counts live copies, so a test can see that a replaced leaf's data was destroyed.
	struct Tracked
	{
		explicit Tracked(std::shared_ptr<int> live) : live(std::move(live)) { ++*this->live; }
		Tracked(const Tracked& other) : live(other.live) { ++*live; }
		~Tracked() { --*live; }
		std::shared_ptr<int> live;
	};

	std::vector<std::string> Children(Tree& tree, Tree::iterator position)
	{
		std::vector<std::string> names;
		for (Tree::iterator child = tree.begin(position); child != tree.end(); ++child)
			names.push_back(child.is_leaf() ? *child : "<node>");
		return names;
	}

	TEST(NTree, NewTreeHasAnEmptyRoot)
	{
		Tree tree;
		EXPECT_TRUE(tree.root().is_node());
		EXPECT_EQ(tree.root().depth(), 0);
		EXPECT_EQ(tree.begin(tree.root()), tree.end());
		EXPECT_EQ(tree.size(), 0u);
	}

	TEST(NTree, ChildrenKeepInsertionOrderAndSiblingsWalkBothWays)
	{
		Tree tree;
		Tree::iterator root = tree.root();
		for (const char* name : {"a", "b", "c"})
			tree.InsertChild(root, std::string(name));
		EXPECT_EQ(Children(tree, root), (std::vector<std::string>{"a", "b", "c"}));
		EXPECT_EQ(tree.size(), 3u);

		Tree::iterator last = tree.begin(root);
		++last;
		++last;
		EXPECT_EQ(*last, "c");
		--last;
		EXPECT_EQ(*last, "b");
		++last;
		++last;
		EXPECT_EQ(last, tree.end());
	}

	TEST(NTree, InsertingUnderALeafTurnsItIntoANodeAndDestroysItsData)
	{
		auto live = std::make_shared<int>(0);
		{
			tw::n_tree<Tracked> tree;
			tw::n_tree<Tracked>::iterator root = tree.root();
			tw::n_tree<Tracked>::iterator header = tree.InsertChild(root, Tracked(live));
			tw::n_tree<Tracked>::iterator sibling = tree.InsertChild(root, Tracked(live));
			EXPECT_EQ(*live, 2);
			tw::n_tree<Tracked>::iterator other = header;

			tree.InsertChild(header, Tracked(live));
			EXPECT_TRUE(header.is_node());
			EXPECT_EQ(*live, 2) << "the replaced leaf's data must be gone";
			// Positions are slots in a list, so a second iterator onto the slot sees the node too.
			EXPECT_TRUE(other.is_node());
			EXPECT_EQ(header.child_count(), 1u);
			EXPECT_TRUE(sibling.is_leaf());
			EXPECT_EQ(tree.size(), 3u);
		}
		EXPECT_EQ(*live, 0) << "destroying the tree must destroy every leaf's data";
	}

	TEST(NTree, DepthCountsStepsFromTheRootAndParentClimbsBack)
	{
		Tree tree;
		Tree::iterator position = tree.root();
		std::vector<Tree::iterator> path{position};
		for (int level = 1; level <= 4; ++level)
		{
			position = tree.InsertChild(position, "level " + std::to_string(level));
			EXPECT_EQ(position.depth(), level);
			path.push_back(position);
		}
		EXPECT_EQ(*position, "level 4");
		for (int level = 3; level >= 0; --level)
		{
			position = position.parent();
			EXPECT_EQ(position.depth(), level);
			EXPECT_EQ(position, path[static_cast<std::size_t>(level)]);
		}
		EXPECT_EQ(position.parent(), tree.root()) << "the root is its own parent";
	}

	TEST(NTree, BeginOfALeafIsEndAndEndOfANodeKeepsItsList)
	{
		Tree tree;
		Tree::iterator root = tree.root();
		Tree::iterator leaf = tree.InsertChild(root, std::string("leaf"));
		EXPECT_EQ(tree.begin(leaf), tree.end());
		EXPECT_EQ(tree.end(leaf), tree.end());

		Tree::iterator pastLast = tree.end(root);
		EXPECT_EQ(pastLast, tree.end());
		EXPECT_EQ(pastLast.parent(), root) << "a past-the-end position still knows its list";
	}

	TEST(NTree, ConstIteratorsWalkTheSameTree)
	{
		Tree tree;
		Tree::iterator root = tree.root();
		Tree::iterator group = tree.InsertChild(root, std::string("header"));
		tree.InsertChild(group, std::string("inner"));
		tree.InsertChild(root, std::string("after"));

		const Tree& view = tree;
		Tree::const_iterator first = view.begin(view.root());
		ASSERT_TRUE(first.is_node());
		EXPECT_EQ(*view.begin(first), "inner");
		++first;
		EXPECT_EQ(*first, "after");
		Tree::const_iterator converted = group;
		EXPECT_EQ(converted.child_count(), 1u);
	}
}
