// A pyramid of 210 unit boxes (20 layers, one box fewer per layer) on a static floor, stepped 600
// times at 0.016 s with 10 solver iterations and no substeps, by this engine's physics and by
// Bullet with the same scene. Each benchmark builds the scene once per iteration and times every
// step in processor time of the stepping thread: the counters give the mean and 95th percentile
// milliseconds per step over the run and over its first 100 steps, while every box is awake, and
// the first step after which every box sleeps (0 when they never all sleep). "TW_BENCH_NUDGE"
// moves the spacing by that many micrometres in both worlds. Bullet is linked into this program
// only.
#include "PhysicsBenchWorld.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace
{
	using namespace bench;

	constexpr int kLayers = 20;
	constexpr int kSteps = 600;
	// Neither engine lets a box sleep this early: the cost of a step with every body awake.
	constexpr int kAwakeSteps = 100;
	// Neighbours in a layer stand this far apart, centre to centre; each layer sits on the gaps.
	constexpr float kSpacing = 1.02f;
	// A nudge moves the spacing by micrometres.
	constexpr float kNudgeStep = 1e-6f;

	template <class Visit>
	void ForEachPyramidBox(Visit visit)
	{
		const float spacing = Nudged(kSpacing, kNudgeStep);
		for (int layer = 0; layer < kLayers; ++layer)
			for (int i = 0; i < kLayers - layer; ++i)
				visit(spacing * (static_cast<float>(i) - 0.5f * static_cast<float>(kLayers - layer - 1)),
					0.5f + static_cast<float>(layer));
	}

	// Runs the steps, timing each; stillness is asked after every step.
	void TimeSteps(benchmark::State& state, const std::function<void()>& step, const std::function<bool()>& allAsleep)
	{
		StepTimes times;
		StepTimes awakeTimes;
		int asleepAt = 0;
		for (int i = 1; i <= kSteps; ++i)
		{
			const double milliseconds = times.Time(step);
			if (i <= kAwakeSteps)
				awakeTimes.Add(milliseconds);
			if (asleepAt == 0 && allAsleep())
				asleepAt = i;
		}
		times.Report(state, "ms_per_step");
		awakeTimes.Report(state, "awake_ms_per_step");
		state.counters["all_asleep_step"] = asleepAt;
	}

	class EngineScene
	{
	public:
		EngineScene() : world(EngineCapacity())
		{
			world.AddPrimitive(Tuple3f(0.0f, 0.0f, 0.0f), "plane", Tuple3f(60.0f, 60.0f, 1.0f), Tuple3f(-1.5707964f, 0.0f, 0.0f), true);
			ForEachPyramidBox([this](float x, float y) {
				boxes.push_back(world.AddPrimitive(Tuple3f(x, y, 0.0f), "cube", Tuple3f(1, 1, 1), Tuple3f(), false));
			});
			world.LoadLevel();
		}

		void Step() { world.Step(); }
		bool AllAsleep() const
		{
			return std::all_of(boxes.begin(), boxes.end(), [](const RigidBody* body) { return body->IsAsleep(); });
		}

	private:
		EngineWorld world;
		std::vector<RigidBody*> boxes;
	};

	class BulletScene
	{
	public:
		BulletScene()
		{
			world.Add(world.MakeShape<btStaticPlaneShape>(btVector3(0.0f, 1.0f, 0.0f), 0.0f), 0.0f, btVector3(0.0f, 0.0f, 0.0f));
			btCollisionShape* box = world.MakeShape<btBoxShape>(btVector3(0.5f, 0.5f, 0.5f));
			ForEachPyramidBox([this, box](float x, float y) { boxes.push_back(world.Add(box, kDensity, btVector3(x, y, 0.0f))); });
		}

		void Step() { world.Step(); }
		bool AllAsleep() const
		{
			return std::all_of(boxes.begin(), boxes.end(), [](const btRigidBody* body) { return body->getActivationState() == ISLAND_SLEEPING; });
		}

	private:
		BulletWorld world;
		std::vector<btRigidBody*> boxes;
	};

	template <class Scene>
	void BM_Pyramid(benchmark::State& state)
	{
		for (auto _ : state)
		{
			Scene scene;
			TimeSteps(state, [&scene] { scene.Step(); }, [&scene] { return scene.AllAsleep(); });
		}
	}
}

BENCHMARK(BM_Pyramid<EngineScene>)->Name("Pyramid210/Tumblewreck")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pyramid<BulletScene>)->Name("Pyramid210/Bullet")->Iterations(1)->Unit(benchmark::kMillisecond);
