// Builds an AABB tree over 10,000 random boxes and casts 100,000 rays against it, beside
// brute-force loops over the same boxes and rays (two slab tests, so the reference is not
// handicapped by the tree's choice of one). Also builds trees over the boxes of 100,000 distinct
// triangles and of 100,000 copies of one triangle, whose centres never separate.
#include "Utilities/AABBTree.h"
#include "Utilities/Random.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace
{
	constexpr int kBoxCount = 10000;
	constexpr int kRayCount = 100000;
	constexpr int kTriangleCount = 100000;
	constexpr float kWorldSize = 500.0f;

	float RandomIn(float low, float high)
	{
		return low + (high - low) * static_cast<float>(tw::Rand()) / tw::kRandMax;
	}

	float HitBox(AABBTree::UserData data, const Tuple3f* origin, const Tuple3f* direction, float)
	{
		return static_cast<const AABB*>(data)->RayEntry(*origin, *direction);
	}

	struct Ray
	{
		Tuple3f origin;
		Tuple3f direction;
	};

	// The same boxes and rays for every benchmark of the run.
	struct Scene
	{
		std::vector<AABB> boxes;
		std::vector<Ray> rays;

		Scene()
		{
			tw::SeedRand(12345);
			for (int i = 0; i < kBoxCount; ++i)
			{
				const Tuple3f corner(RandomIn(0, kWorldSize), RandomIn(0, kWorldSize), RandomIn(0, kWorldSize));
				const Tuple3f size(RandomIn(0.5f, 8), RandomIn(0.5f, 8), RandomIn(0.5f, 8));
				boxes.push_back({corner, corner + size});
			}
			for (int i = 0; i < kRayCount; ++i)
			{
				const Tuple3f origin(RandomIn(0, kWorldSize), RandomIn(0, kWorldSize), RandomIn(0, kWorldSize));
				Tuple3f direction;
				while (direction.Length() < 0.1)
					direction = Tuple3f(RandomIn(-1, 1), RandomIn(-1, 1), RandomIn(-1, 1));
				rays.push_back({origin, direction.Normalize()});
			}
		}
	};

	const Scene& GetScene()
	{
		static const Scene scene;
		return scene;
	}

	void BuildTree(AABBTree& tree, const std::vector<AABB>& boxes)
	{
		tree.SetCollectFlag(true);
		for (const AABB& box : boxes)
			tree.Insert(&box, const_cast<AABB*>(&box), HitBox);
		tree.Build();
	}

	// The flat boxes of a terrain's triangles, all different or all one triangle's.
	std::vector<AABB> TriangleBoxes(bool copiesOfOne)
	{
		tw::SeedRand(777);
		std::vector<AABB> boxes;
		for (int i = 0; i < kTriangleCount; ++i)
		{
			const Tuple3f corner = copiesOfOne ? Tuple3f() : Tuple3f(RandomIn(0, kWorldSize), RandomIn(0, 5), RandomIn(0, kWorldSize));
			boxes.push_back({corner, corner + Tuple3f(1, 0, 1)});
		}
		return boxes;
	}

	void BM_BuildTriangleTree(benchmark::State& state)
	{
		const std::vector<AABB> boxes = TriangleBoxes(state.range(0) != 0);
		for (auto _ : state)
		{
			AABBTree tree;
			BuildTree(tree, boxes);
			benchmark::DoNotOptimize(tree.Root());
		}
		state.SetLabel(state.range(0) != 0 ? "copies of one triangle" : "distinct triangles");
		state.SetItemsProcessed(state.iterations() * kTriangleCount);
	}
	BENCHMARK(BM_BuildTriangleTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

	void BM_BuildTree(benchmark::State& state)
	{
		const Scene& scene = GetScene();
		for (auto _ : state)
		{
			AABBTree tree;
			BuildTree(tree, scene.boxes);
			benchmark::DoNotOptimize(tree.Root());
		}
		state.SetItemsProcessed(state.iterations() * kBoxCount);
	}
	BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

	void BM_RayCastTree(benchmark::State& state)
	{
		const Scene& scene = GetScene();
		AABBTree tree;
		BuildTree(tree, scene.boxes);
		for (auto _ : state)
		{
			int hits = 0;
			for (const Ray& ray : scene.rays)
			{
				AABBTree::UserData data = nullptr;
				hits += tree.RayCast(ray.origin, ray.direction, data) >= 0.0f;
			}
			benchmark::DoNotOptimize(hits);
			state.counters["hits"] = hits;
		}
		state.SetItemsProcessed(state.iterations() * kRayCount);
	}
	BENCHMARK(BM_RayCastTree)->Unit(benchmark::kMillisecond);

	// Nearest box entry over every box, by the given slab test.
	template <typename SlabTest>
	void CastBruteForce(benchmark::State& state, SlabTest entryOf)
	{
		const Scene& scene = GetScene();
		for (auto _ : state)
		{
			int hits = 0;
			for (const Ray& ray : scene.rays)
			{
				const RaySlabs slabs(ray.origin, ray.direction);
				float nearest = -1.0f;
				for (const AABB& box : scene.boxes)
				{
					const float hit = entryOf(box, slabs);
					if (hit >= 0.0f && (nearest < 0.0f || hit < nearest))
						nearest = hit;
				}
				hits += nearest >= 0.0f;
			}
			benchmark::DoNotOptimize(hits);
			state.counters["hits"] = hits;
		}
		state.SetItemsProcessed(state.iterations() * kRayCount);
	}

	// The reference with the tree's own slab test (the ray prepared once).
	void BM_RayCastBruteForce(benchmark::State& state)
	{
		CastBruteForce(state, [](const AABB& box, const RaySlabs& ray) { return box.RayEntry(ray); });
	}
	BENCHMARK(BM_RayCastBruteForce)->Unit(benchmark::kMillisecond);

	// The reference with a slab test that gives up at the first axis that rules the box out,
	// which suits a loop where almost every box is missed.
	float EarlyExitEntry(const AABB& box, const RaySlabs& ray)
	{
		float nearest = 0.0f;
		float farthest = 1e12f;
		for (int axis = 0; axis < 3; ++axis)
		{
			const float start = ray.origin[axis];
			if (ray.parallel[axis])
			{
				if (start < box.min[axis] || start > box.max[axis])
					return -1.0f;
				continue;
			}
			const float toLow = (box.min[axis] - start) * ray.reciprocal[axis];
			const float toHigh = (box.max[axis] - start) * ray.reciprocal[axis];
			nearest = std::max(nearest, std::min(toLow, toHigh));
			farthest = std::min(farthest, std::max(toLow, toHigh));
			if (nearest > farthest)
				return -1.0f;
		}
		return nearest;
	}

	void BM_RayCastBruteForceEarlyExit(benchmark::State& state)
	{
		CastBruteForce(state, EarlyExitEntry);
	}
	BENCHMARK(BM_RayCastBruteForceEarlyExit)->Unit(benchmark::kMillisecond);
}
