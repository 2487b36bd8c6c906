#include "Utilities/HashMap.h"
#include "Utilities/MallocAllocator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	template <class Map>
	std::vector<typename Map::key_type> KeysInIterationOrder(const Map& map)
	{
		std::vector<typename Map::key_type> keys;
		for (const auto& element : map)
			keys.push_back(element.first);
		return keys;
	}
}

TEST(HashMap, InsertFindEraseAndIndex)
{
	tw::hash_map<unsigned, std::string> map;
	EXPECT_TRUE(map.insert({7u, "seven"}).second);
	EXPECT_FALSE(map.insert({7u, "other"}).second);
	EXPECT_EQ(map.find(7u)->second, "seven");
	EXPECT_EQ(map.find(8u), map.end());
	map[8u] = "eight";
	EXPECT_EQ(map.size(), 2u);
	EXPECT_EQ(map.erase(7u), 1u);
	EXPECT_EQ(map.find(7u), map.end());
	EXPECT_EQ(map[9u], "");
	EXPECT_EQ(map.size(), 2u);
}

TEST(HashMap, IteratesNewestFirstUntilRebuildReversesIt)
{
	tw::hash_map<unsigned, int> map;
	std::vector<unsigned> newestFirst;
	for (unsigned key = 1; key <= 18; ++key)
	{
		map[key] = 0;
		newestFirst.insert(newestFirst.begin(), key);
	}
	EXPECT_EQ(map.bucket_count(), 23u);
	EXPECT_EQ(KeysInIterationOrder(map), newestFirst);

	map[19u] = 0;
	EXPECT_EQ(map.bucket_count(), 47u);
	std::vector<unsigned> expected = {19};
	for (unsigned key = 1; key <= 18; ++key)
		expected.push_back(key);
	EXPECT_EQ(KeysInIterationOrder(map), expected);
}

TEST(HashMap, WorksWithMallocAllocator)
{
	tw::hash_map<unsigned, int, tw::ext::hash<unsigned>, std::equal_to<unsigned>,
		tw::malloc_allocator<tw::hash_slot<std::pair<unsigned, int>>>>
		map;
	for (unsigned key = 0; key < 1000; ++key)
		map[key] = static_cast<int>(key) * 2;
	for (unsigned key = 0; key < 1000; ++key)
		ASSERT_EQ(map.find(key)->second, static_cast<int>(key) * 2);
}
