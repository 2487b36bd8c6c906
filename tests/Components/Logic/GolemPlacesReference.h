// The golem's place pruning done the plain way, for cross-checks and the benchmark: the list walked
// from the front, every other place compared with the current one, each erase moving the last place
// into the hole and examining it next. And a golem's worth of random places to feed both.
#pragma once

#include "Components/Logic/GolemPlaces.h"
#include "Utilities/Random.h"

#include <cstddef>
#include <string>

namespace test
{
	inline void ReferencePrune(GolemPlaces::Places& places, const std::string& headBone, const Tuple3f& halfExtent,
		const Tuple3f& scale)
	{
		const auto scaled = [&](const GolemPoints::PointDescription& place) {
			return Tuple3f(place.position.x * scale.x, place.position.y * scale.y, place.position.z * scale.z);
		};
		const auto erase = [&](std::size_t index) {
			places[index] = places.back();
			places.pop_back();
		};
		for (std::size_t i = 0; i < places.size(); ++i)
		{
			while (i < places.size() && places[i].bone == headBone)
				erase(i);
			if (i >= places.size())
				break;
			std::size_t current = i;
			const Tuple3f centre = scaled(places[current]);
			const Tuple3f low = centre - halfExtent, high = centre + halfExtent;
			for (std::size_t j = 0; j < places.size();)
			{
				const Tuple3f q = scaled(places[j]);
				const bool inside = low.x <= q.x && q.x <= high.x && low.y <= q.y && q.y <= high.y && low.z <= q.z && q.z <= high.z;
				if (j == current || !inside)
				{
					++j;
					continue;
				}
				// The current place may be the one moved into the hole: it is followed, never erased.
				if (places.size() - 1 == current)
					current = j;
				erase(j);
			}
		}
		std::erase_if(places, [&headBone](const GolemPoints::PointDescription& place) { return place.bone == headBone; });
	}

	// count places on boneCount bones named "b0".."bN" (bone 0 is the head) in a box of the size.
	inline GolemPlaces::Places RandomPlaces(std::size_t count, unsigned boneCount, float size)
	{
		GolemPlaces::Places places;
		const auto coordinate = [size] { return (static_cast<float>(tw::Rand()) / tw::kRandMax - 0.5f) * size; };
		for (std::size_t i = 0; i < count; ++i)
		{
			const float x = coordinate(), y = coordinate(), z = coordinate();
			places.push_back({Tuple3f(x, y, z), "b" + std::to_string(static_cast<unsigned>(tw::Rand()) % boneCount)});
		}
		return places;
	}
}
