#include "Utilities/ContiguousList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	using List = tw::ContiguousList<std::string>;

	std::vector<std::string> WalkList(const List& list)
	{
		return {list.begin(), list.end()};
	}

	std::vector<std::string> WalkBackwards(const List& list)
	{
		std::vector<std::string> walk;
		for (const List::Node* node = list.Tail(); node != nullptr; node = node->prev)
			walk.push_back(node->element);
		return walk;
	}

	unsigned SlotOf(const List& list, const std::string* element)
	{
		return list.IndexOf(list.NodeOf(element));
	}
}

TEST(ContiguousList, ReusesTheLastFreedNodeWhileTheWalkKeepsInsertionOrder)
{
	List list;
	list.Reserve(5);
	std::string* a = list.Insert("A");
	std::string* b = list.Insert("B");
	std::string* c = list.Insert("C");
	EXPECT_EQ((std::vector<unsigned>{SlotOf(list, a), SlotOf(list, b), SlotOf(list, c)}), (std::vector<unsigned>{0, 1, 2}));

	ASSERT_TRUE(list.Erase(b));
	std::string* d = list.Insert("D");
	EXPECT_EQ(d, b) << "D takes B's node";
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"A", "C", "D"}));
	EXPECT_EQ(WalkBackwards(list), (std::vector<std::string>{"D", "C", "A"}));

	// Erasing X then Y: the next inserts take Y's node, then X's.
	ASSERT_TRUE(list.Erase(a));
	ASSERT_TRUE(list.Erase(d));
	EXPECT_EQ(list.Insert("E"), d);
	EXPECT_EQ(list.Insert("F"), a);
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"C", "E", "F"}));
	EXPECT_EQ(list.Count(), 3u);
}

TEST(ContiguousList, ErasingHeadTailOrTheOnlyElementRelinksTheEnds)
{
	List list;
	list.Reserve(3);
	std::string* a = list.Insert("A");
	list.Insert("B");
	std::string* c = list.Insert("C");
	list.Erase(a);
	EXPECT_EQ(list.Head()->element, "B");
	EXPECT_EQ(list.Head()->prev, nullptr);
	list.Erase(c);
	EXPECT_EQ(list.Tail()->element, "B");
	EXPECT_EQ(list.Tail()->next, nullptr);
	list.Erase(list.Head());
	EXPECT_EQ(list.Head(), nullptr);
	EXPECT_EQ(list.Tail(), nullptr);
	EXPECT_TRUE(list.IsEmpty());
}

TEST(ContiguousList, ErasingFreesExactlyItsNodeWhereverItStandsAndClearRestartsInAddressOrder)
{
	List list;
	list.Reserve(6);
	std::vector<std::string*> stored;
	for (const char* name : {"A", "B", "C", "D", "E"})
		stored.push_back(list.Insert(name));
	for (int index : {3, 0, 4})
	{
		ASSERT_TRUE(list.Erase(stored[index]));
		EXPECT_EQ(list.FreeHead(), list.NodeAt(static_cast<unsigned>(index))) << "the freed node is taken next";
	}
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"B", "C"}));

	// After Clear, inserts take the nodes in address order again.
	list.Clear();
	EXPECT_TRUE(list.IsEmpty());
	for (unsigned slot = 0; slot < 6; ++slot)
		EXPECT_EQ(SlotOf(list, list.Insert("x")), slot);
}

TEST(ContiguousList, NewListHoldsOneElementAndAFullPoolRefusesAnInsert)
{
	List list;
	EXPECT_EQ(list.Capacity(), 1u);
	ASSERT_NE(list.Insert("only"), nullptr);
	EXPECT_EQ(list.Insert("second"), nullptr);
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"only"}));

	// Exactly at capacity: the last free node is taken, then the next insert is refused.
	list.Reserve(3);
	for (const char* name : {"A", "B", "C"})
		ASSERT_NE(list.Insert(name), nullptr);
	EXPECT_TRUE(list.Full());
	EXPECT_EQ(list.Insert("D"), nullptr);
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"A", "B", "C"}));

	list.Reserve(0);
	EXPECT_EQ(list.Capacity(), 1u);
}

TEST(ContiguousList, ErasingWhatIsNotInTheListIsRefusedAndChangesNothing)
{
	List list;
	list.Reserve(3);
	std::string* a = list.Insert("A");
	list.Insert("B");
	const std::string outside = "outside";
	std::string* free = &list.NodeAt(2)->element;

	EXPECT_FALSE(list.Erase(&outside));
	EXPECT_FALSE(list.Erase(free)) << "a free node";
	EXPECT_FALSE(list.Erase(static_cast<List::Node*>(nullptr)));
	ASSERT_TRUE(list.Erase(a));
	EXPECT_FALSE(list.Erase(a)) << "erased twice";
	EXPECT_EQ(list.Count(), 1u);
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"B"}));
	EXPECT_EQ(list.Insert("C"), a);
	EXPECT_EQ(list.Insert("D"), free);
}

TEST(ContiguousList, CopyHasTheSameCapacityAndWalkInItsFirstSlots)
{
	List source;
	source.Reserve(6);
	std::string* x = source.Insert("X");
	source.Insert("A");
	source.Insert("B");
	source.Erase(x);
	source.Insert("C");
	ASSERT_EQ(WalkList(source), (std::vector<std::string>{"A", "B", "C"}));
	ASSERT_EQ(SlotOf(source, &source.Tail()->element), 0u);

	const List copy(source);
	EXPECT_EQ(copy.Capacity(), 6u);
	EXPECT_EQ(WalkList(copy), WalkList(source));
	unsigned slot = 0;
	for (const List::Node* node = copy.Head(); node != nullptr; node = node->next)
		EXPECT_EQ(copy.IndexOf(node), slot++);

	List assigned;
	assigned = source;
	EXPECT_EQ(WalkList(assigned), WalkList(source));
}

TEST(ContiguousList, OwnerMayReorderNodesInPlace)
{
	List list;
	list.Reserve(4);
	list.Insert("B");
	list.Insert("C");
	std::string* a = list.Insert("A");
	list.MoveBefore(list.NodeOf(a), list.Head());
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"A", "B", "C"}));
	list.MoveBefore(list.Head(), nullptr);
	EXPECT_EQ(WalkList(list), (std::vector<std::string>{"B", "C", "A"}));
	EXPECT_EQ(WalkBackwards(list), (std::vector<std::string>{"A", "C", "B"}));
	EXPECT_EQ(list.Count(), 3u);
	EXPECT_EQ(list.FreeHead(), list.NodeAt(3));
}
