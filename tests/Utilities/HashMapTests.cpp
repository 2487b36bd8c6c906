#include "Utilities/HashMap.h"
#include "Utilities/LiveCounted.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
	// Places key k at slot k mod capacity, so tests can aim keys at the same slot.
	struct IdentityHash
	{
		std::uint32_t operator()(unsigned key) const
		{
			return key;
		}
	};

	// Few distinct hashes: long probe sequences, many deleted slots crossed.
	struct CollidingHash
	{
		std::uint32_t operator()(unsigned key) const
		{
			return key % 7;
		}
	};

	template <class Map>
	std::vector<typename Map::key_type> KeysInIterationOrder(const Map& map)
	{
		std::vector<typename Map::key_type> keys;
		for (const auto& element : map)
			keys.push_back(element.first);
		return keys;
	}

	// What iteration order and capacity must be after each insert and erase.
	class OrderModel
	{
	public:
		void Insert(unsigned key)
		{
			if (static_cast<float>(newestFirst.size() + 1) / static_cast<float>(capacity) > 0.8f)
			{
				std::reverse(newestFirst.begin(), newestFirst.end());
				capacity = tw::NextPrime(static_cast<std::uint32_t>(std::ceil(2.0f * static_cast<float>(capacity))));
			}
			newestFirst.push_front(key);
		}
		void Erase(unsigned key)
		{
			newestFirst.erase(std::find(newestFirst.begin(), newestFirst.end(), key));
		}

		std::deque<unsigned> newestFirst;
		std::uint32_t capacity = 23;
	};

	template <class Hash>
	void CrossCheckAgainstReference(unsigned keyRange, int operations)
	{
		tw::hash_map<unsigned, int, Hash> map;
		std::unordered_map<unsigned, int> reference;
		OrderModel model;
		std::mt19937 random(12345);
		for (int step = 0; step < operations; ++step)
		{
			const unsigned key = random() % keyRange;
			switch (random() % 3)
			{
			case 0:
			{
				const bool added = map.insert({key, step}).second;
				ASSERT_EQ(added, reference.insert({key, step}).second);
				if (added)
					model.Insert(key);
				break;
			}
			case 1:
			{
				const auto erased = map.erase(key);
				ASSERT_EQ(erased, reference.erase(key));
				if (erased != 0)
					model.Erase(key);
				break;
			}
			default:
			{
				const auto found = map.find(key);
				const auto expected = reference.find(key);
				ASSERT_EQ(found == map.end(), expected == reference.end()) << "key " << key;
				if (found != map.end())
				{
					ASSERT_EQ(found->second, expected->second);
				}
				break;
			}
			}
			ASSERT_EQ(map.size(), reference.size());
			if (step % 97 == 0)
			{
				ASSERT_EQ(map.bucket_count(), model.capacity);
				const auto keys = KeysInIterationOrder(map);
				ASSERT_TRUE(std::equal(keys.begin(), keys.end(), model.newestFirst.begin(), model.newestFirst.end()));
			}
		}
	}
}

TEST(HashMap, InsertFindEraseAndIndex)
{
	tw::hash_map<unsigned, std::string> map;
	EXPECT_TRUE(map.insert({7u, "seven"}).second);
	EXPECT_EQ(map.find(7u)->second, "seven");
	EXPECT_EQ(map.find(8u), map.end());
	map[8u] = "eight";
	EXPECT_EQ(map.size(), 2u);
	EXPECT_EQ(map.erase(7u), 1u);
	EXPECT_EQ(map.erase(7u), 0u);
	EXPECT_EQ(map.find(7u), map.end());
	EXPECT_EQ(map[9u], "");
	EXPECT_EQ(map.size(), 2u);
	const auto& constMap = map;
	EXPECT_EQ(constMap.find(8u)->second, "eight");
	EXPECT_TRUE(constMap.contains(9u));
	EXPECT_EQ(constMap.count(7u), 0u);
}

TEST(HashMap, InsertingPresentKeyChangesNeitherValueNorOrder)
{
	tw::hash_map<unsigned, std::string> map;
	map[1u] = "one";
	map[2u] = "two";
	const auto [position, added] = map.insert({1u, "uno"});
	EXPECT_FALSE(added);
	EXPECT_EQ(position->second, "one");
	EXPECT_EQ(KeysInIterationOrder(map), (std::vector<unsigned>{2, 1}));
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

TEST(HashMap, GrowsThroughPrimeCapacitiesAtLoadAboveFourFifths)
{
	// Capacity, and the element count whose insertion first needs the next one.
	const struct
	{
		std::uint32_t capacity;
		unsigned rebuildingInsert;
	} steps[] = {{23, 19}, {47, 38}, {97, 78}, {197, 158}, {397, 318}, {797, 638}, {1597, 1278},
		{3203, 2563}, {6421, 5137}, {12853, 10283}, {25717, 20574}, {51437, 41150}, {102877, 82302}};
	tw::hash_map<unsigned, int> map;
	unsigned inserted = 0;
	for (std::size_t step = 0; step + 1 < std::size(steps); ++step)
	{
		while (inserted + 1 < steps[step].rebuildingInsert)
			map[inserted++] = 0;
		EXPECT_EQ(map.bucket_count(), steps[step].capacity);
		map[inserted++] = 0;
		EXPECT_EQ(map.bucket_count(), steps[step + 1].capacity) << "after " << inserted << " inserts";
	}
	for (unsigned key = 0; key < inserted; ++key)
		ASSERT_NE(map.find(key), map.end()) << key;
}

TEST(HashMap, EraseDuringIterationReturnsOlderNeighbour)
{
	tw::hash_map<unsigned, int> map;
	for (unsigned key = 0; key < 10; ++key)
		map[key] = 0;
	for (auto position = map.begin(); position != map.end();)
	{
		if (position->first % 2 == 0)
			position = map.erase(position);
		else
			++position;
	}
	EXPECT_EQ(KeysInIterationOrder(map), (std::vector<unsigned>{9, 7, 5, 3, 1}));
	EXPECT_EQ(map.erase(map.begin()), map.find(7u));
}

TEST(HashMap, EraseOfEndOrErasedSlotChangesNothing)
{
	tw::hash_map<unsigned, int> map;
	map[1u] = 1;
	map[2u] = 2;
	const auto stale = map.find(1u);
	map.erase(stale);
	EXPECT_EQ(map.erase(stale), map.end());
	EXPECT_EQ(map.erase(map.end()), map.end());
	EXPECT_EQ(map.size(), 1u);
	EXPECT_EQ(KeysInIterationOrder(map), (std::vector<unsigned>{2}));
}

TEST(HashMap, ErasedSlotIsReusedAndDoesNotEndProbe)
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
	EXPECT_EQ(map.find(23u)->second, 23);
}

TEST(HashMap, ChurnWithoutGrowthKeepsFindingKeys)
{
	// Ever-new keys with a few live at a time leave every slot used or deleted, none empty.
	tw::hash_map<unsigned, unsigned> map;
	for (unsigned key = 0; key < 2000; ++key)
	{
		map[key] = key;
		if (key >= 5)
		{
			ASSERT_EQ(map.erase(key - 5), 1u);
		}
		ASSERT_EQ(map.find(key)->second, key);
		ASSERT_EQ(map.find(key + 1), map.end());
	}
	EXPECT_EQ(map.size(), 5u);
	EXPECT_EQ(map.bucket_count(), 23u);
}

TEST(HashMap, MatchesReferenceMapAndOrderModel)
{
	CrossCheckAgainstReference<tw::ext::hash<unsigned>>(400, 20000);
	CrossCheckAgainstReference<CollidingHash>(300, 8000);
}

TEST(HashMap, ClearEmptiesButKeepsCapacity)
{
	tw::hash_map<unsigned, int> map;
	for (unsigned key = 0; key < 40; ++key)
		map[key] = 0;
	map.erase(3u);
	map.clear();
	EXPECT_EQ(map.size(), 0u);
	EXPECT_EQ(map.begin(), map.end());
	EXPECT_EQ(map.bucket_count(), 97u);
	EXPECT_EQ(map.find(5u), map.end());
	map[5u] = 1;
	EXPECT_EQ(KeysInIterationOrder(map), (std::vector<unsigned>{5}));
}

TEST(HashMap, CopyKeepsOrderAndDeletedSlots)
{
	tw::hash_map<unsigned, int, IdentityHash> map;
	map[0u] = 0;
	map[23u] = 23;
	map[5u] = 5;
	map.erase(0u);
	const auto copy = map;
	EXPECT_EQ(copy.find(23u)->second, 23) << "the copy must keep the deleted slot on 23's probe";
	EXPECT_EQ(KeysInIterationOrder(copy), KeysInIterationOrder(map));

	auto assigned = tw::hash_map<unsigned, int, IdentityHash>();
	assigned = copy;
	EXPECT_EQ(KeysInIterationOrder(assigned), (std::vector<unsigned>{5, 23}));
}

TEST(HashMap, MovedFromMapIsEmptyAndUsable)
{
	tw::hash_map<std::string, int> map;
	map["a"] = 1;
	auto taken = std::move(map);
	EXPECT_EQ(taken["a"], 1);
	EXPECT_EQ(map.size(), 0u);
	EXPECT_EQ(map.find("a"), map.end());
	map["b"] = 2;
	EXPECT_EQ(map.bucket_count(), 23u);
	EXPECT_EQ(map.find("b")->second, 2);
}

TEST(HashMap, DestroysEveryElementOnce)
{
	LiveCounted::live = 0;
	{
		tw::hash_map<unsigned, LiveCounted> map;
		for (unsigned key = 0; key < 200; ++key)
			map.insert({key, LiveCounted(static_cast<int>(key))});
		EXPECT_EQ(LiveCounted::live, 200);
		for (unsigned key = 0; key < 200; key += 2)
			map.erase(key);
		EXPECT_EQ(LiveCounted::live, 100);
		EXPECT_EQ(map.find(51u)->second.value, 51);
		auto copy = map;
		EXPECT_EQ(LiveCounted::live, 200);
		copy.clear();
		EXPECT_EQ(LiveCounted::live, 100);
	}
	EXPECT_EQ(LiveCounted::live, 0);
}

TEST(HashMap, StringKeysIncludingEmpty)
{
	tw::hash_map<std::string, int> map;
	const std::vector<std::string> names = {"", "Player", "Transform", "Camera", std::string(1, '\0'), "\xff\xfe"};
	for (std::size_t index = 0; index < names.size(); ++index)
		map[names[index]] = static_cast<int>(index);
	for (std::size_t index = 0; index < names.size(); ++index)
		EXPECT_EQ(map.find(names[index])->second, static_cast<int>(index)) << index;
	EXPECT_EQ(map.find("player"), map.end());
}

TEST(HashMap, PointerKeys)
{
	std::vector<int> objects(300);
	tw::hash_map<const int*, std::size_t> map;
	for (std::size_t index = 0; index < objects.size(); ++index)
		map[&objects[index]] = index;
	for (std::size_t index = 0; index < objects.size(); ++index)
		ASSERT_EQ(map.find(&objects[index])->second, index);
	EXPECT_EQ(map.find(nullptr), map.end());
}

TEST(HashMap, FastModuloMatchesRemainder)
{
	// Slot positions must be those of hash mod capacity; the multiply-based remainder stands in for it.
	std::mt19937 random(99);
	const std::uint32_t divisors[] = {21, 23, 45, 47, 102877, 16801819, 2147483647u, 4294967291u};
	for (const std::uint32_t divisor : divisors)
	{
		const tw::detail::FastModulo modulo(divisor);
		for (const std::uint32_t edge : {0u, 1u, divisor - 1, divisor, 0xFFFFFFFFu})
			ASSERT_EQ(modulo(edge), edge % divisor) << edge << " mod " << divisor;
		for (int sample = 0; sample < 10000; ++sample)
		{
			const std::uint32_t x = random();
			ASSERT_EQ(modulo(x), x % divisor) << x << " mod " << divisor;
		}
	}
}
