#include "Utilities/DisjointSet.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
	// Like an island: asleep only while every member is.
	struct Asleep
	{
		bool asleep = false;

		static void Join(Asleep& kept, Asleep& absorbed)
		{
			kept.asleep = absorbed.asleep = kept.asleep && absorbed.asleep;
		}
	};

	using Islands = tw::DisjointSet<int, Asleep>;

	std::vector<int> Members(const Islands::Set* set)
	{
		std::vector<int> members;
		for (const Islands::Node* node = set->first; node != nullptr; node = node->next)
		{
			EXPECT_EQ(node->current, set);
			members.push_back(node->key);
		}
		EXPECT_EQ(members.size(), set->count);
		return members;
	}
}

TEST(DisjointSet, MakeSetGivesOneMemberSetsAndUnionMovesTheSmallerIntoTheLarger)
{
	Islands islands;
	for (int key = 1; key <= 5; ++key)
		EXPECT_EQ(Members(islands.MakeSet(key)), (std::vector<int>{key}));

	// Equal counts: the second's set joins the first's.
	Islands::Set* united = islands.Union(1, 2);
	EXPECT_EQ(Members(united), (std::vector<int>{1, 2}));
	EXPECT_EQ(islands.Find(2), united);

	// The smaller set (3) moves into the larger whichever side it is on.
	EXPECT_EQ(islands.Union(3, 2), united);
	EXPECT_EQ(Members(united), (std::vector<int>{1, 2, 3}));
	EXPECT_EQ(islands.Union(1, 3), united) << "already together";
	EXPECT_EQ(islands.Union(1, 99), nullptr);
	EXPECT_EQ(Members(islands.Find(4)), (std::vector<int>{4}));
}

TEST(DisjointSet, UnionIsAsleepOnlyWhenBothSidesWere)
{
	const struct
	{
		bool first;
		bool second;
		bool united;
	} cases[] = {{true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
	for (const auto& c : cases)
	{
		Islands islands;
		islands.MakeSet(1)->info.asleep = c.first;
		islands.MakeSet(2)->info.asleep = c.second;
		EXPECT_EQ(islands.Union(1, 2)->info.asleep, c.united) << c.first << ' ' << c.second;
	}
}

TEST(DisjointSet, RemovingAMemberKeepsTheOthersTogetherEvenWhenItsRecordHeldThem)
{
	Islands islands;
	for (int key = 1; key <= 4; ++key)
		islands.MakeSet(key);
	islands.Union(1, 2);
	islands.Union(1, 3);
	islands.Find(1)->info.asleep = true;

	// 1's record holds the island: the rest gather under a record of their own.
	ASSERT_TRUE(islands.Remove(1));
	EXPECT_FALSE(islands.Contains(1));
	const Islands::Set* rest = islands.Find(2);
	EXPECT_EQ(Members(rest), (std::vector<int>{2, 3}));
	EXPECT_EQ(islands.Find(3), rest);
	EXPECT_TRUE(rest->info.asleep);

	ASSERT_TRUE(islands.Remove(3));
	EXPECT_EQ(Members(islands.Find(2)), (std::vector<int>{2}));
	EXPECT_FALSE(islands.Remove(3));
	EXPECT_EQ(islands.Size(), 2u);
}

TEST(DisjointSet, SeparateMakesEveryKeyAloneWithFreshInfo)
{
	Islands islands;
	for (int key = 1; key <= 3; ++key)
		islands.MakeSet(key);
	islands.Union(1, 2);
	islands.Union(2, 3);
	islands.Separate([](int key, Asleep& info) { info.asleep = key == 2; });
	for (int key = 1; key <= 3; ++key)
	{
		EXPECT_EQ(Members(islands.Find(key)), (std::vector<int>{key}));
		EXPECT_EQ(islands.Find(key)->info.asleep, key == 2);
	}
	EXPECT_EQ(Members(islands.Union(3, 1)), (std::vector<int>{3, 1}));
}
