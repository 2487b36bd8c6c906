#include "Utilities/HashMap.h"

#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace
{
	// Places key k at slot k mod capacity, so tests can aim keys at the same slot.
	struct IdentityHash
	{
		std::uint32_t operator()(unsigned key) const { return key; }
	};

	// Few distinct hashes: long probe sequences, many deleted slots crossed.
	struct CollidingHash
	{
		std::uint32_t operator()(unsigned key) const { return key % 7; }
	};

	template <class Map>
	std::vector<typename Map::key_type> KeysInIterationOrder(const Map& map)
	{
		std::vector<typename Map::key_type> keys;
		for (const auto& element : map)
			keys.push_back(element.first);
		return keys;
	}

	// Inserts, erases and finds random keys in the map and in std::unordered_map alike, and checks
	// the capacity and the newest-first order (reversed by each rebuild) against a model.
	template <class Hash>
	void CrossCheckAgainstReference(unsigned keyRange, int operations)
	{
		tw::hash_map<unsigned, int, Hash> map;
		std::unordered_map<unsigned, int> reference;
		std::deque<unsigned> newestFirst;
		std::uint32_t capacity = 23;
		std::mt19937 random(12345);
		for (int step = 0; step < operations; ++step)
		{
			const unsigned key = random() % keyRange, operation = random() % 3;
			const std::size_t sizeBefore = map.size();
			bool agree = true;
			if (operation == 0)
				agree = map.insert({key, step}).second == reference.insert({key, step}).second;
			else if (operation == 1)
				agree = map.erase(key) == reference.erase(key);
			else if (const auto found = map.find(key); found == map.end())
				agree = !reference.contains(key);
			else
				agree = reference.contains(key) && found->second == reference[key];
			ASSERT_TRUE(agree) << "operation " << operation << " on key " << key;
			ASSERT_EQ(map.size(), reference.size());
			if (map.size() > sizeBefore)
			{
				if (static_cast<float>(map.size()) / static_cast<float>(capacity) > 0.8f)
				{
					std::reverse(newestFirst.begin(), newestFirst.end());
					capacity = tw::NextPrime(static_cast<std::uint32_t>(std::ceil(2.0f * static_cast<float>(capacity))));
				}
				newestFirst.push_front(key);
			}
			else if (map.size() < sizeBefore)
				newestFirst.erase(std::find(newestFirst.begin(), newestFirst.end(), key));
			if (step % 97 == 0)
			{
				ASSERT_EQ(map.bucket_count(), capacity);
				ASSERT_EQ(KeysInIterationOrder(map), std::vector<unsigned>(newestFirst.begin(), newestFirst.end()));
			}
		}
	}
}

TEST(HashMap, MatchesReferenceMapAndOrderModel)
{
	CrossCheckAgainstReference<tw::ext::hash<unsigned>>(400, 20000);
	CrossCheckAgainstReference<CollidingHash>(300, 8000);
}

TEST(HashMap, IteratesNewestFirstUntilRebuildReversesIt)
{
	tw::hash_map<unsigned, int> map;
	std::vector<unsigned> newestFirst;
	for (unsigned key = 1; key <= 18; ++key)
		newestFirst.insert(newestFirst.begin(), (map[key] = 0, key));
	EXPECT_EQ(map.bucket_count(), 23u);
	EXPECT_EQ(KeysInIterationOrder(map), newestFirst);
	map[19u] = 0;
	std::reverse(newestFirst.begin(), newestFirst.end());
	newestFirst.insert(newestFirst.begin(), 19u);
	EXPECT_EQ(map.bucket_count(), 47u);
	EXPECT_EQ(KeysInIterationOrder(map), newestFirst) << "the rebuild reverses the old keys; 19 comes after it";
}

TEST(HashMap, EraseDuringIterationReturnsOlderNeighbourAndStaleEraseDoesNothing)
{
	tw::hash_map<unsigned, int> map;
	for (unsigned key = 0; key < 10; ++key)
		map[key] = 0;
	for (auto position = map.begin(); position != map.end();)
		position = position->first % 2 == 0 ? map.erase(position) : std::next(position);
	EXPECT_EQ(KeysInIterationOrder(map), (std::vector<unsigned>{9, 7, 5, 3, 1}));
	const auto stale = map.begin();
	EXPECT_EQ(map.erase(stale), map.find(7u));
	EXPECT_EQ(map.erase(stale), map.end());
	EXPECT_EQ(map.erase(map.end()), map.end());
	EXPECT_EQ(map.size(), 4u);
}

TEST(HashMap, DeletedSlotsAreReusedAndEndNoProbe)
{
	tw::hash_map<unsigned, int, IdentityHash> map;
	// 0, 23 and 46 all start their probe at slot 0.
	map[0u] = 0;
	map[23u] = 23;
	const int* firstSlot = &map.find(0u)->second;
	map.erase(0u);
	EXPECT_EQ(map.find(23u)->second, 23) << "a deleted slot must not end the probe";
	map[46u] = 46;
	EXPECT_EQ(&map.find(46u)->second, firstSlot) << "the deleted slot met first takes the new key";

	// Ever-new keys with a few live at a time leave every slot used or deleted, none empty.
	tw::hash_map<unsigned, unsigned> churned;
	for (unsigned key = 0; key < 2000; ++key)
	{
		churned[key] = key;
		churned.erase(key - 5);
		ASSERT_EQ(churned.find(key)->second, key);
		ASSERT_EQ(churned.find(key + 1), churned.end());
	}
	EXPECT_EQ(churned.size(), 5u);
	EXPECT_EQ(churned.bucket_count(), 23u);
}

TEST(HashMap, CopyKeepsOrderAndDeletedSlotsAndMovedFromMapStartsOver)
{
	tw::hash_map<unsigned, int, IdentityHash> map;
	for (unsigned key : {0u, 23u, 5u})
		map[key] = static_cast<int>(key);
	map.erase(0u);
	tw::hash_map<unsigned, int, IdentityHash> assigned;
	assigned = map;
	EXPECT_EQ(assigned.find(23u)->second, 23) << "the copy must keep the deleted slot on 23's probe";
	EXPECT_EQ(KeysInIterationOrder(assigned), (std::vector<unsigned>{5, 23}));

	auto taken = std::move(map);
	EXPECT_TRUE(taken[23u] == 23 && map.find(23u) == map.end());
	map[1u] = 2;
	EXPECT_TRUE(map.bucket_count() == 23u && map.find(1u)->second == 2) << "a moved-from map starts over";
}

TEST(HashMap, DestroysEveryElementOnce)
{
	LiveCounted::live = 0;
	{
		tw::hash_map<unsigned, LiveCounted> map;
		for (unsigned key = 0; key < 200; ++key)
			map.insert({key, LiveCounted(static_cast<int>(key))});
		for (unsigned key = 0; key < 200; key += 2)
			map.erase(key);
		EXPECT_TRUE(LiveCounted::live == 100 && map.find(51u)->second.value == 51);
		auto copy = map;
		EXPECT_EQ(LiveCounted::live, 200);
		copy.clear();
		EXPECT_EQ(LiveCounted::live, 100);
	}
	EXPECT_EQ(LiveCounted::live, 0);
}

TEST(HashMap, StringAndPointerKeysAndIndexing)
{
	tw::hash_map<std::string, int> names;
	EXPECT_EQ(names["absent"], 0) << "indexing inserts a default value";
	const std::string texts[] = {"", "Player", "Transform", std::string(1, '\0'), "\xff\xfe"};
	for (int index = 0; index < 5; ++index)
		names[texts[index]] = index;
	for (int index = 0; index < 5; ++index)
		EXPECT_EQ(std::as_const(names).find(texts[index])->second, index);
	EXPECT_TRUE(names.contains("absent") && names.count("player") == 0);

	std::vector<int> objects(300);
	tw::hash_map<const int*, std::size_t> pointers;
	for (std::size_t index = 0; index < objects.size(); ++index)
		pointers[&objects[index]] = index;
	for (std::size_t index = 0; index < objects.size(); ++index)
		ASSERT_EQ(pointers.find(&objects[index])->second, index);
	EXPECT_EQ(pointers.find(nullptr), pointers.end());
}

TEST(HashMap, IndexingWithAKeyHeldByTheSameMapSurvivesARebuild)
{
	// Every size through several rebuilds: at some of them the new key's insert rebuilds the table.
	for (int size = 1; size < 100; ++size)
	{
		tw::hash_map<std::string, std::string> links;
		for (int index = 0; index < size; ++index)
			links["key " + std::to_string(index)] = "value " + std::to_string(index);
		const std::string target = "a name too long to sit inside the string itself: " + std::to_string(size);
		links["key 0"] = target;
		links[links["key 0"]] = "linked";
		EXPECT_EQ(links.size(), static_cast<std::size_t>(size + 1));
		ASSERT_TRUE(links.contains(target)) << size << " keys";
		EXPECT_EQ(links.find(target)->second, "linked");
	}
}

TEST(HashMap, FastModuloMatchesRemainder)
{
	// Slot positions must be those of hash mod capacity; the multiply-based remainder stands in for it.
	std::mt19937 random(99);
	for (const std::uint32_t divisor : {21u, 23u, 45u, 47u, 102877u, 16801819u, 2147483647u, 4294967291u})
		for (int sample = -5; sample < 10000; ++sample)
		{
			const std::uint32_t edges[] = {0u, 1u, divisor - 1, divisor, 0xFFFFFFFFu};
			const std::uint32_t x = sample < 0 ? edges[sample + 5] : static_cast<std::uint32_t>(random());
			ASSERT_EQ(tw::detail::FastModulo(divisor)(x), x % divisor) << x << " mod " << divisor;
		}
}
