#include "Utilities/HashSet.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

namespace
{
	template <class Set>
	std::vector<typename Set::key_type> KeysInIterationOrder(const Set& set)
	{
		return std::vector<typename Set::key_type>(set.begin(), set.end());
	}
}

TEST(HashSet, InsertFindErase)
{
	tw::hash_set<std::string> names;
	EXPECT_TRUE(names.insert("Player").second);
	EXPECT_FALSE(names.insert(std::string("Player")).second);
	EXPECT_TRUE(names.insert("").second);
	EXPECT_TRUE(names.contains("Player"));
	EXPECT_TRUE(names.contains(""));
	EXPECT_EQ(*names.find("Player"), "Player");
	EXPECT_EQ(names.erase(names.find("")), names.find("Player"));
	EXPECT_EQ(names.erase(std::string("Player")), 1u);
	EXPECT_TRUE(names.empty());
}

TEST(HashSet, ElementsAreReadOnlyThroughIterators)
{
	// Changing a key in place would strand it in the wrong slot.
	static_assert(std::is_const_v<std::remove_reference_t<decltype(*std::declval<tw::hash_set<int>::iterator>())>>);
	static_assert(std::is_same_v<tw::hash_set<int>::iterator, tw::hash_set<int>::const_iterator>);
}

TEST(HashSet, IteratesNewestFirstUntilRebuildReversesIt)
{
	tw::hash_set<unsigned> ids;
	for (unsigned id = 1; id <= 18; ++id)
		ids.insert(id);
	EXPECT_EQ(KeysInIterationOrder(ids).front(), 18u);
	EXPECT_EQ(KeysInIterationOrder(ids).back(), 1u);
	ids.insert(19u);
	const auto keys = KeysInIterationOrder(ids);
	EXPECT_EQ(keys[0], 19u);
	EXPECT_EQ(keys[1], 1u);
	EXPECT_EQ(keys.back(), 18u);
}

TEST(HashSet, CopyAndMove)
{
	tw::hash_set<std::string> names;
	for (const char* name : {"a", "b", "c"})
		names.insert(name);
	names.erase(std::string("b"));
	tw::hash_set<std::string> copy = names;
	EXPECT_EQ(KeysInIterationOrder(copy), (std::vector<std::string>{"c", "a"}));
	tw::hash_set<std::string> taken = std::move(copy);
	EXPECT_TRUE(taken.contains("a"));
	EXPECT_TRUE(copy.empty());
	EXPECT_FALSE(copy.contains("a"));
}
