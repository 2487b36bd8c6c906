// tw::hash_map against std::unordered_map: insert, find (hits and misses) and erase, with 32-bit
// keys and with text keys of the length object and component names have.
#include "Utilities/HashMap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace
{
	template <class Key>
	Key MakeKey(std::uint32_t number);

	template <>
	std::uint32_t MakeKey<std::uint32_t>(std::uint32_t number)
	{
		return number;
	}

	template <>
	std::string MakeKey<std::string>(std::uint32_t number)
	{
		return "GameObject_" + std::to_string(number);
	}

	// count distinct keys in random order, and as many more that none of them equals.
	template <class Key>
	struct KeySets
	{
		std::vector<Key> present;
		std::vector<Key> absent;
	};

	template <class Key>
	const KeySets<Key>& Keys(std::size_t count)
	{
		static std::unordered_map<std::size_t, KeySets<Key>> cache;
		auto [entry, added] = cache.try_emplace(count);
		if (!added)
			return entry->second;
		std::mt19937 random(static_cast<std::uint32_t>(count));
		std::unordered_set<std::uint32_t> used;
		std::vector<std::uint32_t> numbers;
		while (numbers.size() < 2 * count)
		{
			const std::uint32_t number = random();
			if (used.insert(number).second)
				numbers.push_back(number);
		}
		for (std::size_t index = 0; index < count; ++index)
		{
			entry->second.present.push_back(MakeKey<Key>(numbers[index]));
			entry->second.absent.push_back(MakeKey<Key>(numbers[count + index]));
		}
		return entry->second;
	}

	template <class Map>
	Map Filled(const std::vector<typename Map::key_type>& keys)
	{
		Map map;
		for (const auto& key : keys)
			map.insert({key, 1});
		return map;
	}

	template <class Map>
	void Insert(benchmark::State& state)
	{
		const auto& keys = Keys<typename Map::key_type>(static_cast<std::size_t>(state.range(0))).present;
		for (auto _ : state)
		{
			Map map = Filled<Map>(keys);
			benchmark::DoNotOptimize(map);
		}
		state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * keys.size()));
	}

	template <class Map>
	void Find(benchmark::State& state, bool hits)
	{
		const auto& keySets = Keys<typename Map::key_type>(static_cast<std::size_t>(state.range(0)));
		const Map map = Filled<Map>(keySets.present);
		auto lookups = hits ? keySets.present : keySets.absent;
		std::shuffle(lookups.begin(), lookups.end(), std::mt19937(1));
		for (auto _ : state)
		{
			std::size_t found = 0;
			for (const auto& key : lookups)
				found += map.find(key) != map.end();
			benchmark::DoNotOptimize(found);
		}
		state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lookups.size()));
	}

	template <class Map>
	void FindHit(benchmark::State& state)
	{
		Find<Map>(state, true);
	}

	template <class Map>
	void FindMiss(benchmark::State& state)
	{
		Find<Map>(state, false);
	}

	template <class Map>
	void Erase(benchmark::State& state)
	{
		const auto& keys = Keys<typename Map::key_type>(static_cast<std::size_t>(state.range(0))).present;
		auto order = keys;
		std::shuffle(order.begin(), order.end(), std::mt19937(2));
		for (auto _ : state)
		{
			state.PauseTiming();
			Map map = Filled<Map>(keys);
			state.ResumeTiming();
			for (const auto& key : order)
				map.erase(key);
			benchmark::DoNotOptimize(map);
		}
		state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * keys.size()));
	}

	using TwU32 = tw::hash_map<std::uint32_t, int>;
	using StdU32 = std::unordered_map<std::uint32_t, int>;
	using TwString = tw::hash_map<std::string, int>;
	using StdString = std::unordered_map<std::string, int>;

	constexpr std::int64_t kSmall = 1000;
	constexpr std::int64_t kLarge = 100000;
}

#define TW_HASH_BENCH(operation)                                                                                   \
	BENCHMARK(operation<TwU32>)->Name(#operation "/tw_u32")->Arg(kSmall)->Arg(kLarge);                             \
	BENCHMARK(operation<StdU32>)->Name(#operation "/std_u32")->Arg(kSmall)->Arg(kLarge);                           \
	BENCHMARK(operation<TwString>)->Name(#operation "/tw_string")->Arg(kSmall)->Arg(kLarge);                       \
	BENCHMARK(operation<StdString>)->Name(#operation "/std_string")->Arg(kSmall)->Arg(kLarge)

TW_HASH_BENCH(Insert);
TW_HASH_BENCH(FindHit);
TW_HASH_BENCH(FindMiss);
TW_HASH_BENCH(Erase);
