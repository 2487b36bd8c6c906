// Path requests and the characters that walk them, each beside a reference in the same run:
// - GeneratePath: the Logic system's path query (snapping, corridor, straight path, corner
//   rounding) for the same 1,000 random pairs of points on the 128 x 128-unit navigation level,
//   against the raw Detour calls it makes (nearest polygon twice, path, straight path).
// - Walkers: the Logic system's frame with 100 PathMovement characters on a 128-unit floor, each
//   regenerating its path every 0.5 s (staggered, as characters set off at different times),
//   against the same frame's path requests made straight to the query.
#include "BenchEngine.h"
#include "NavBenchLevel.h"

#include "Components/Logic/PathMovement.h"
#include "Components/Physics/Body.h"
#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Transform.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Logic/PathQuery.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Timer.h"

#include <benchmark/benchmark.h>
#include <recastnavigation/DetourNavMeshQuery.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace
{
	constexpr int kPairs = 1000;

	struct PathLevel
	{
		PathLevel() : geometry(bench::Level(128.0f, 200))
		{
			BuildNavMesh(config, geometry, navigation);
			tw::SeedRand(11);
			const auto coordinate = [] { return 2.0f + 124.0f * static_cast<float>(tw::Rand()) / 32767.0f; };
			for (int pair = 0; pair < kPairs; ++pair)
				pairs.emplace_back(Tuple3f(coordinate(), 0.0f, coordinate()), Tuple3f(coordinate(), 0.0f, coordinate()));
			settings.agentRadius = static_cast<float>(config.walkableRadius) * config.cs;
			settings.agentHeight = static_cast<float>(config.walkableHeight) * config.ch;
		}
		rcConfig config = bench::DefaultConfig();
		LevelGeometry geometry;
		Navigation navigation;
		PathSettings settings;
		dtQueryFilter filter;
		std::vector<std::pair<Tuple3f, Tuple3f>> pairs;
	};

	void BM_GeneratePath_Ours(benchmark::State& state)
	{
		PathLevel level;
		PathQuery query;
		std::vector<Tuple3f> points;
		for (auto _ : state)
			for (const auto& [from, to] : level.pairs)
			{
				points.clear();
				PathQuery::Result result;
				query.Generate(*level.navigation.navQuery, level.filter, level.settings, from, to, points, result);
				benchmark::DoNotOptimize(points.data());
			}
		state.SetItemsProcessed(state.iterations() * kPairs);
	}
	BENCHMARK(BM_GeneratePath_Ours)->Unit(benchmark::kMillisecond);

	void BM_GeneratePath_Detour(benchmark::State& state)
	{
		PathLevel level;
		dtNavMeshQuery& query = *level.navigation.navQuery;
		std::vector<dtPolyRef> corridor(PathQuery::kMaxCorridor);
		std::vector<float> straight(3 * (PathQuery::kMaxCorridor + 1));
		const float extents[3] = {2 * level.settings.agentRadius, 1.5f * level.settings.agentHeight, 2 * level.settings.agentRadius};
		for (auto _ : state)
			for (const auto& [from, to] : level.pairs)
			{
				dtPolyRef start = 0;
				dtPolyRef end = 0;
				float startPoint[3];
				float endPoint[3];
				query.findNearestPoly(&from.x, extents, &level.filter, &start, startPoint);
				query.findNearestPoly(&to.x, extents, &level.filter, &end, endPoint);
				int length = 0;
				query.findPath(start, end, &from.x, &to.x, &level.filter, corridor.data(), &length, PathQuery::kMaxCorridor);
				int count = 0;
				query.findStraightPath(&from.x, &to.x, corridor.data(), length, straight.data(), nullptr, nullptr, &count, length + 1);
				benchmark::DoNotOptimize(straight.data());
			}
		state.SetItemsProcessed(state.iterations() * kPairs);
	}
	BENCHMARK(BM_GeneratePath_Detour)->Unit(benchmark::kMillisecond);

	constexpr int kWalkers = 100;
	constexpr std::uint32_t kFrameMilliseconds = 16;
	// Frames in the 0.5 s between a walker's regenerations.
	constexpr int kFramesPerRegeneration = 32;

	std::uint32_t now = 1000;
	std::uint32_t GameTime() { return now; }

	// The engine with Physics and Logic, a 128-unit floor and its navigation mesh, and walkers
	// whose far ends they never reach: without bodies they stand still and keep regenerating.
	class WalkerWorld
	{
	public:
		WalkerWorld() : engine(bench::MakeEngine("PathQueryBenchUser"))
		{
			SetElapsedMillisecondsHook(&GameTime);
			engine->AddSystem(new Physics());
			logic = new Logic();
			engine->AddSystem(logic);
			const Object floor = CreateObject("Floor");
			floor.object->AddComponent(Transform::TypeId());
			floor.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(64, -0.5f, 64));
			floor.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			// Without mass the floor is static, and the navigation is built from it.
			floor.object->AddComponent(PhysicsMaterial::TypeId());
			floor.object->GetComponent<PhysicsMaterial>()->density = 0.0f;
			bench::AddLoaded(floor, Body::TypeId(), "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
				"<Tuple3f>0 0 0</Tuple3f><string>STATIC</string><Composite><string>CompositePrimitive</string><Collider>"
				"<string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>128 1 128</Tuple3f></Collider></Composite>");
			floor.object->Start();
			Engine::SendMessage(Message("LevelLoaded"));
			tw::SeedRand(5);
			for (int walker = 0; walker < kWalkers; ++walker)
			{
				const Object object = CreateObject("Walker");
				object.object->AddComponent(Transform::TypeId());
				const Tuple3f at(4.0f + static_cast<float>(tw::Rand() % 120), 0.5f, 4.0f + static_cast<float>(tw::Rand() % 120));
				object.object->GetComponent<Transform>()->SetWorldPosition(at);
				object.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
				bench::AddLoaded(object, PathMovement::TypeId(), "<float>3</float><float>0.5</float><float>0</float>");
				object.object->Start();
				walkers.emplace_back(object, Tuple3f(128.0f - at.x, 0.0f, 128.0f - at.z));
			}
			ProcessObjectChanges();
			if (logic->GetNavigation().navQuery == nullptr)
				throw std::runtime_error("the walkers' floor gave no navigation mesh");
			// Set off over one regeneration period, so that as many regenerate in every frame.
			for (int frame = 0; frame < kFramesPerRegeneration; ++frame)
			{
				for (std::size_t walker = static_cast<std::size_t>(frame); walker < walkers.size(); walker += kFramesPerRegeneration)
					walkers[walker].first.object->HandleMessage(Message("SetEndPoint").Push(walkers[walker].second));
				Frame();
			}
		}
		~WalkerWorld()
		{
			SetElapsedMillisecondsHook(nullptr);
			engine->Shutdown();
		}
		void Frame()
		{
			now += kFrameMilliseconds;
			logic->Update();
		}

		std::unique_ptr<Engine> engine;
		Logic* logic = nullptr;
		std::vector<std::pair<Object, Tuple3f>> walkers;
	};

	void BM_Walkers_LogicFrame(benchmark::State& state)
	{
		WalkerWorld world;
		for (auto _ : state)
			world.Frame();
		state.counters["walkers"] = kWalkers;
	}
	BENCHMARK(BM_Walkers_LogicFrame)->Unit(benchmark::kMicrosecond);

	void BM_Walkers_QueriesAlone(benchmark::State& state)
	{
		WalkerWorld world;
		PathQuery query;
		std::vector<Tuple3f> points;
		std::size_t frame = 0;
		const Navigation& navigation = world.logic->GetNavigation();
		for (auto _ : state)
			// The frame's share of the regenerations.
			for (std::size_t walker = frame++ % kFramesPerRegeneration; walker < world.walkers.size(); walker += kFramesPerRegeneration)
			{
				points.clear();
				PathQuery::Result result;
				const Tuple3f from = world.walkers[walker].first.object->GetComponent<Transform>()->GetWorldPosition();
				query.Generate(*navigation.navQuery, *world.logic->GetQueryFilter(), world.logic->GetPathSettings(), from,
					world.walkers[walker].second, points, result);
				benchmark::DoNotOptimize(points.data());
			}
	}
	BENCHMARK(BM_Walkers_QueriesAlone)->Unit(benchmark::kMicrosecond);
}
