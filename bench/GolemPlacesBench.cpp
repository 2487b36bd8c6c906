// The golem's scrap places: pruning the places of a 5,000-vertex golem with the grid walk, beside
// the plain walk that compares every pair, in the same run. Both must keep the same places.
#include "Components/Logic/GolemPlaces.h"
#include "Components/Logic/GolemPlacesReference.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

namespace
{
	constexpr std::size_t kVertices = 5000;
	const Tuple3f kHalfExtent(0.15f, 0.15f, 0.15f);
	const Tuple3f kScale(1.0f, 1.0f, 1.0f);

	// A golem-sized figure: 5,000 places on eight bones in a box of 4 units, about a quarter unit apart, so
	// that the pruning box drops many of them.
	const GolemPlaces::Places& Golem()
	{
		static const GolemPlaces::Places places = [] {
			tw::SeedRand(5);
			GolemPlaces::Places made = test::RandomPlaces(kVertices, 8, 4.0f);
			// The grid walk is only worth measuring if it keeps what the plain walk keeps.
			GolemPlaces::Places fast = made, plain = made;
			GolemPlaces::Prune(fast, "b0", kHalfExtent, kScale);
			test::ReferencePrune(plain, "b0", kHalfExtent, kScale);
			bool same = fast.size() == plain.size();
			for (std::size_t i = 0; same && i < fast.size(); ++i)
				same = fast[i].position == plain[i].position && fast[i].bone == plain[i].bone;
			if (!same)
			{
				std::cerr << "GolemPlacesBench: the grid walk kept other places than the plain walk\n";
				std::abort();
			}
			return made;
		}();
		return places;
	}

	void BM_GolemPlacesGridWalk(benchmark::State& state)
	{
		const GolemPlaces::Places& golem = Golem();
		for (auto _ : state)
		{
			GolemPlaces::Places places = golem;
			GolemPlaces::Prune(places, "b0", kHalfExtent, kScale);
			benchmark::DoNotOptimize(places.data());
		}
		state.counters["kept"] = static_cast<double>([&] {
			GolemPlaces::Places places = golem;
			GolemPlaces::Prune(places, "b0", kHalfExtent, kScale);
			return places.size();
		}());
	}
	BENCHMARK(BM_GolemPlacesGridWalk)->Unit(benchmark::kMillisecond);

	void BM_GolemPlacesPlainWalkReference(benchmark::State& state)
	{
		const GolemPlaces::Places& golem = Golem();
		for (auto _ : state)
		{
			GolemPlaces::Places places = golem;
			test::ReferencePrune(places, "b0", kHalfExtent, kScale);
			benchmark::DoNotOptimize(places.data());
		}
	}
	BENCHMARK(BM_GolemPlacesPlainWalkReference)->Unit(benchmark::kMillisecond);
}
