#include "Utilities/OrderedContiguousList.h"

#include "Utilities/Random.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace
{
	using OrderedList = tw::OrderedContiguousList<int>;

	std::vector<int> WalkOrdered(const OrderedList& list)
	{
		return {list.begin(), list.end()};
	}

	// The slots of the walk, and checks that the backward links mirror the forward ones.
	std::vector<unsigned> Slots(const OrderedList& list)
	{
		std::vector<unsigned> slots;
		const OrderedList::Node* previous = nullptr;
		for (const OrderedList::Node* node = list.Head(); node != nullptr; node = node->next)
		{
			EXPECT_EQ(node->prev, previous);
			slots.push_back(list.IndexOf(node));
			previous = node;
		}
		EXPECT_EQ(list.Tail(), previous);
		return slots;
	}
}

TEST(OrderedContiguousList, ReinsertsFillTheErasedNodeInPlaceAndClearingRestartsAtTheFirst)
{
	OrderedList list;
	list.Reserve(3);
	int* first = list.Insert(1);
	int* middle = list.Insert(2);
	list.Insert(3);
	ASSERT_TRUE(list.Erase(middle));
	EXPECT_EQ(list.Insert(4), middle);
	EXPECT_EQ(WalkOrdered(list), (std::vector<int>{1, 4, 3})) << "between its neighbours";
	list.Erase(list.Tail());
	ASSERT_TRUE(list.Erase(middle));
	list.Insert(2);
	list.Erase(first);
	EXPECT_EQ(list.Head()->element, 2);
	EXPECT_EQ(list.Head()->prev, nullptr);
	EXPECT_EQ(list.Insert(5), first) << "the lowest free node, linked before the head";
	EXPECT_EQ(WalkOrdered(list), (std::vector<int>{5, 2}));

	list.Erase(list.Tail());
	list.Erase(list.Head());
	EXPECT_EQ(list.Head(), nullptr);
	EXPECT_EQ(list.Tail(), nullptr);

	list.Insert(7);
	list.Insert(8);
	list.Clear();
	EXPECT_EQ(list.Count(), 0u);
	EXPECT_EQ(list.IndexOf(list.NodeOf(list.Insert(9))), 0u);
}

TEST(OrderedContiguousList, FullPoolRefusesAndErasingAStrangerChangesNothing)
{
	OrderedList list;
	list.Reserve(2);
	int* a = list.Insert(1);
	list.Insert(2);
	EXPECT_EQ(list.Insert(3), nullptr);
	EXPECT_EQ(list.FreeHead(), nullptr);
	const int outside = 0;
	EXPECT_FALSE(list.Erase(&outside));
	ASSERT_TRUE(list.Erase(a));
	EXPECT_FALSE(list.Erase(a));
	EXPECT_EQ(WalkOrdered(list), (std::vector<int>{2}));
	EXPECT_EQ(list.Insert(3), a);
}

TEST(OrderedContiguousList, RandomInsertsAndErasesKeepAddressOrderAndTakeTheLowestFreeNode)
{
	// Crosses several 64-node words of the free set.
	constexpr unsigned kCapacity = 300;
	OrderedList list;
	list.Reserve(kCapacity);
	tw::SeedRand(7);
	std::set<unsigned> used;
	std::vector<int*> stored(kCapacity, nullptr);
	for (int round = 0; round < 5000; ++round)
	{
		const unsigned slot = static_cast<unsigned>(tw::Rand()) % kCapacity;
		if (stored[slot] != nullptr && tw::Rand() % 2 == 0)
		{
			ASSERT_TRUE(list.Erase(stored[slot]));
			stored[slot] = nullptr;
			used.erase(slot);
			continue;
		}
		unsigned expected = 0;
		while (used.count(expected) != 0)
			++expected;
		int* element = list.Insert(round);
		if (expected == kCapacity)
		{
			ASSERT_EQ(element, nullptr);
			continue;
		}
		ASSERT_NE(element, nullptr);
		const unsigned taken = list.IndexOf(list.NodeOf(element));
		ASSERT_EQ(taken, expected) << "round " << round;
		used.insert(taken);
		stored[taken] = element;
	}
	EXPECT_EQ(Slots(list), std::vector<unsigned>(used.begin(), used.end()));
	EXPECT_EQ(list.Count(), used.size());
}
