// One frame of the shipped first level, headless: the Logic system's update against the Physics
// step of the same frame, each timed alone while the other still runs every frame, so both see the
// level as it plays. Game time advances 16 ms a frame through the clock hook.
#include "Engine.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Timer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace
{
	constexpr std::uint32_t kFrameMilliseconds = 16;
	// Frames played before timing, so the crates have settled on the floor.
	constexpr int kSettleFrames = 120;

	std::uint32_t now = 0;
	std::uint32_t GameTime() { return now; }

	class LevelWorld
	{
	public:
		LevelWorld()
		{
			const std::filesystem::path user = std::filesystem::temp_directory_path() / "PlayableLevelBenchUser";
			std::filesystem::create_directories(user);
			std::ofstream(user / "Tumblewreck.cfg") << "<Config/>";
			const std::string data = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/Data/";
			SetElapsedMillisecondsHook(&GameTime);
			engine = std::make_unique<Engine>(data, user.string() + "/", "Tumblewreck.cfg");
			physics = new Physics();
			engine->AddSystem(physics);
			logic = new Logic();
			engine->AddSystem(logic);
			loaded = engine->LoadLevel("Homestead");
			for (int frame = 0; frame < kSettleFrames; ++frame)
				Frame();
		}
		~LevelWorld()
		{
			engine->Shutdown();
			SetElapsedMillisecondsHook(nullptr);
		}

		void Frame()
		{
			logic->Update();
			physics->Update();
			now += kFrameMilliseconds;
		}

		std::unique_ptr<Engine> engine;
		Physics* physics = nullptr;
		Logic* logic = nullptr;
		bool loaded = false;
	};

	// Argument 0 times the Logic update, 1 the Physics step.
	void BM_FirstLevelFrame(benchmark::State& state)
	{
		LevelWorld world;
		if (!world.loaded)
		{
			state.SkipWithError("the level \"Homestead\" did not load");
			return;
		}
		System* timed = state.range(0) == 0 ? static_cast<System*>(world.logic) : world.physics;
		System* other = state.range(0) == 0 ? static_cast<System*>(world.physics) : world.logic;
		for (auto _ : state)
		{
			const auto start = std::chrono::steady_clock::now();
			timed->Update();
			const auto end = std::chrono::steady_clock::now();
			other->Update();
			now += kFrameMilliseconds;
			state.SetIterationTime(std::chrono::duration<double>(end - start).count());
		}
		state.SetLabel(state.range(0) == 0 ? "Logic" : "Physics");
	}
	BENCHMARK(BM_FirstLevelFrame)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
}
