// Static triangle meshes against Bullet's Bvh triangle mesh, each scene built the same way in both
// worlds and run once, every step timed in processor time of the stepping thread.
// - Bowl: 1,000 primitives (cubes, spheres, cylinders and cones in turn, a 10 x 10 x 10 lattice)
//   dropped into a 2,000-triangle bowl; the counters give the mean and 95th percentile
//   milliseconds per step of the active phase (the first 200 steps), of the settling pile (steps
//   401 to 600) and of the resting phase (steps 1,301 to 1,500), and how many bodies sleep at the end.
//   "TW_BENCH_NUDGE" moves the lattice spacing by that many 1e-5 m in both worlds.
// - Rays: 10,000 rays per step against a 50,000-triangle terrain with 500 boxes resting on it, for
//   100 steps; the counters give the milliseconds of each step's rays and of the step itself, and
//   the rays that hit in the last step.
#include "PhysicsBenchWorld.h"

#include <cmath>
#include <iterator>
#include <numbers>

namespace
{
	using namespace bench;

	// --- the bowl ---

	constexpr int kLattice = 10;
	constexpr float kLatticeSpacing = 1.5f;
	constexpr float kLatticeBottom = 5.0f;
	// A nudge moves the lattice spacing by hundredths of a millimetre.
	constexpr float kNudgeStep = 1e-5f;
	// The steps timed, by phase; the ones between run untimed.
	struct Phase
	{
		const char* counter;
		int first;
		int last;
	};
	constexpr Phase kPhases[] = {{"active_ms", 1, 200}, {"settling_ms", 401, 600}, {"resting_ms", 1301, 1500}};
	constexpr int kBowlSteps = 1500;

	// 40 x 25 squares, 2,000 triangles: a paraboloid 16 high at the middle of each side.
	TriangleMeshData Bowl()
	{
		return HeightGrid(40, 25, 20.0f, [](float x, float z) { return 0.04f * (x * x + z * z); });
	}

	// The shapes in turn, each of unit size: side, diameter, and for the round ones a height of 1
	// along y (the cone's apex up).
	enum class Shape
	{
		Cube,
		Sphere,
		Cylinder,
		Cone,
	};
	constexpr int kShapes = 4;
	constexpr const char* kShapeNames[kShapes] = {"cube", "sphere", "cylinder", "cone"};
	constexpr float kShapeVolumes[kShapes] = {1.0f, std::numbers::pi_v<float> / 6.0f, std::numbers::pi_v<float> / 4.0f,
		std::numbers::pi_v<float> / 12.0f};

	template <class Visit>
	void ForEachDroppedBody(Visit visit)
	{
		const float spacing = Nudged(kLatticeSpacing, kNudgeStep);
		const float half = 0.5f * spacing * static_cast<float>(kLattice - 1);
		int index = 0;
		for (int layer = 0; layer < kLattice; ++layer)
			for (int row = 0; row < kLattice; ++row)
				for (int column = 0; column < kLattice; ++column, ++index)
					visit(static_cast<Shape>(index % kShapes), spacing * static_cast<float>(column) - half,
						kLatticeBottom + spacing * static_cast<float>(layer), spacing * static_cast<float>(row) - half);
	}

	// Room for a settled pile of 1,000 bodies in the engine's pools.
	EngineCapacity BowlCapacity()
	{
		EngineCapacity capacity;
		capacity.bodies = 1100;
		capacity.contacts = 64000;
		capacity.manifolds = 16000;
		capacity.constraints = 200000;
		return capacity;
	}

	class EngineBowl
	{
	public:
		EngineBowl() : world(BowlCapacity())
		{
			world.AddMesh(Bowl());
			ForEachDroppedBody([this](Shape shape, float x, float y, float z) {
				bodies.push_back(world.AddPrimitive(Tuple3f(x, y, z), kShapeNames[static_cast<int>(shape)], Tuple3f(1, 1, 1), Tuple3f(), false));
			});
			world.LoadLevel();
		}

		void Step() { world.Step(); }
		int Asleep() const
		{
			return static_cast<int>(std::count_if(bodies.begin(), bodies.end(), [](const RigidBody* body) { return body->IsAsleep(); }));
		}

	private:
		EngineWorld world;
		std::vector<RigidBody*> bodies;
	};

	class BulletBowl
	{
	public:
		BulletBowl()
		{
			world.AddMesh(Bowl());
			btCollisionShape* shapes[kShapes] = {world.MakeShape<btBoxShape>(btVector3(0.5f, 0.5f, 0.5f)),
				world.MakeShape<btSphereShape>(0.5f), world.MakeShape<btCylinderShape>(btVector3(0.5f, 0.5f, 0.5f)),
				world.MakeShape<btConeShape>(0.5f, 1.0f)};
			ForEachDroppedBody([this, &shapes](Shape shape, float x, float y, float z) {
				const int kind = static_cast<int>(shape);
				bodies.push_back(world.Add(shapes[kind], kDensity * kShapeVolumes[kind], btVector3(x, y, z)));
			});
		}

		void Step() { world.Step(); }
		int Asleep() const
		{
			return static_cast<int>(std::count_if(bodies.begin(), bodies.end(),
				[](const btRigidBody* body) { return body->getActivationState() == ISLAND_SLEEPING; }));
		}

	private:
		BulletWorld world;
		std::vector<btRigidBody*> bodies;
	};

	template <class Scene>
	void BM_Bowl(benchmark::State& state)
	{
		for (auto _ : state)
		{
			Scene scene;
			StepTimes times[std::size(kPhases)];
			for (int step = 1; step <= kBowlSteps; ++step)
			{
				const auto phase = std::find_if(std::begin(kPhases), std::end(kPhases),
					[step](const Phase& p) { return step >= p.first && step <= p.last; });
				if (phase == std::end(kPhases))
					scene.Step();
				else
					times[phase - std::begin(kPhases)].Time([&scene] { scene.Step(); });
			}
			for (std::size_t i = 0; i < std::size(kPhases); ++i)
				times[i].Report(state, kPhases[i].counter);
			state.counters["asleep_at_end"] = scene.Asleep();
		}
	}

	// --- the rays ---

	constexpr int kRaySteps = 100;
	constexpr int kRaysPerSide = 100;
	constexpr float kTerrainHalf = 100.0f;
	constexpr float kRayHeight = 40.0f;
	// Slanted, so that rays meet slopes and box sides too; Bullet's rays end this many lengths on.
	const Tuple3f kRayDirection(0.2f, -1.0f, 0.1f);
	constexpr float kBulletRayLengths = 100.0f;
	constexpr int kBoxColumns = 25;
	constexpr int kBoxRows = 20;
	constexpr float kBoxSpacing = 6.0f;

	float TerrainHeight(float x, float z)
	{
		return 2.0f * std::sin(0.3f * x) * std::cos(0.2f * z);
	}

	// 200 x 125 squares, 50,000 triangles of rolling terrain.
	TriangleMeshData Terrain()
	{
		return HeightGrid(200, 125, kTerrainHalf, TerrainHeight);
	}

	// 500 unit boxes, each dropped from half a unit above the terrain under it.
	template <class Visit>
	void ForEachTerrainBox(Visit visit)
	{
		for (int row = 0; row < kBoxRows; ++row)
			for (int column = 0; column < kBoxColumns; ++column)
			{
				const float x = kBoxSpacing * (static_cast<float>(column) - 0.5f * static_cast<float>(kBoxColumns - 1));
				const float z = kBoxSpacing * (static_cast<float>(row) - 0.5f * static_cast<float>(kBoxRows - 1));
				visit(x, TerrainHeight(x, z) + 1.0f, z);
			}
	}

	// A square grid of ray origins over the terrain.
	template <class Visit>
	void ForEachRayOrigin(Visit visit)
	{
		constexpr float kSpan = 2.0f * 0.95f * kTerrainHalf;
		for (int row = 0; row < kRaysPerSide; ++row)
			for (int column = 0; column < kRaysPerSide; ++column)
				visit(Tuple3f(kSpan * (static_cast<float>(column) / (kRaysPerSide - 1) - 0.5f), kRayHeight,
					kSpan * (static_cast<float>(row) / (kRaysPerSide - 1) - 0.5f)));
	}

	class EngineRays
	{
	public:
		EngineRays() : world(EngineCapacity{600, 8000, 2000, 24000})
		{
			world.AddMesh(Terrain());
			ForEachTerrainBox([this](float x, float y, float z) { world.AddPrimitive(Tuple3f(x, y, z), "cube", Tuple3f(1, 1, 1), Tuple3f(), false); });
			world.LoadLevel();
		}

		void Step() { world.Step(); }
		// The detection stage's answer to "PhysicsQueryRayCast", as Physics::RayCast asks it.
		int CastRays()
		{
			int hits = 0;
			ForEachRayOrigin([this, &hits](const Tuple3f& origin) {
				bool hit = false;
				RigidBody* body = nullptr;
				Tuple3f point;
				Message query("PhysicsQueryRayCast");
				query.Push(&hit).Push(origin).Push(kRayDirection).Push(&body).Push(&point);
				world.GetPhysics().GetDetection().QueryRayCast(Message::Reader(query));
				hits += hit ? 1 : 0;
			});
			return hits;
		}

	private:
		EngineWorld world;
	};

	class BulletRays
	{
	public:
		BulletRays()
		{
			world.AddMesh(Terrain());
			btCollisionShape* box = world.MakeShape<btBoxShape>(btVector3(0.5f, 0.5f, 0.5f));
			ForEachTerrainBox([this, box](float x, float y, float z) { world.Add(box, kDensity, btVector3(x, y, z)); });
		}

		void Step() { world.Step(); }
		int CastRays()
		{
			int hits = 0;
			const btVector3 reach = kBulletRayLengths * btVector3(kRayDirection.x, kRayDirection.y, kRayDirection.z);
			ForEachRayOrigin([this, &hits, &reach](const Tuple3f& origin) {
				const btVector3 from(origin.x, origin.y, origin.z);
				btCollisionWorld::ClosestRayResultCallback result(from, from + reach);
				world.GetWorld().rayTest(from, from + reach, result);
				hits += result.hasHit() ? 1 : 0;
			});
			return hits;
		}

	private:
		BulletWorld world;
	};

	template <class Scene>
	void BM_Rays(benchmark::State& state)
	{
		for (auto _ : state)
		{
			Scene scene;
			StepTimes rays;
			StepTimes steps;
			int hits = 0;
			for (int step = 0; step < kRaySteps; ++step)
			{
				steps.Time([&scene] { scene.Step(); });
				rays.Time([&scene, &hits] { hits = scene.CastRays(); });
			}
			rays.Report(state, "rays_ms");
			steps.Report(state, "step_ms");
			state.counters["hits_last_step"] = hits;
		}
	}
}

BENCHMARK(BM_Bowl<EngineBowl>)->Name("MeshBowl1000/Tumblewreck")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bowl<BulletBowl>)->Name("MeshBowl1000/Bullet")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rays<EngineRays>)->Name("MeshRays10000/Tumblewreck")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rays<BulletRays>)->Name("MeshRays10000/Bullet")->Iterations(1)->Unit(benchmark::kMillisecond);
